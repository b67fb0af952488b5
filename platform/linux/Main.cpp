// The program's entry on Linux.

#include "Velkor/Velkor.h"
#include "platform/linux/Linux.h"

int main(int argc, char** argv) {
  Platform::Linux::KeepArguments(argc, argv);
  Velkor::RunReport();
}
