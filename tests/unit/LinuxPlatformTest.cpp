// The Linux platform layer on the machine's own locale data.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "Toolz/Toolz.h"
#include "platform/Platform.h"
#include "platform/linux/Linux.h"

namespace {

using Toolz::Text;

// Sets the locale variables for one test and puts the old ones back.
class LocaleEnvironment : public TestSupport::HelperState {
 protected:
  static constexpr const char* Names[] = {"LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LC_CTYPE", "LANG"};
  void SetUp() override {
    HelperState::SetUp();
    for (const char* name : Names) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value != nullptr, value != nullptr ? value : "");
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i].first) setenv(Names[i], saved_[i].second.c_str(), 1);
      else unsetenv(Names[i]);
    }
    HelperState::TearDown();
  }
  static void Set(const char* name, const char* value) {
    if (value == nullptr) unsetenv(name);
    else setenv(name, value, 1);
  }

 private:
  std::vector<std::pair<bool, std::string>> saved_;
};

TEST_F(LocaleEnvironment, LocaleIdFollowsTheMessageLocale) {
  struct Case {
    const char* all;
    const char* messages;
    const char* lang;
    std::uint32_t id;
  } cases[] = {
      {nullptr, nullptr, "sv_SE.UTF-8", 0x041D},
      {nullptr, nullptr, "sv_SE", 0x041D},
      {nullptr, nullptr, "sv_SE.ISO-8859-1", 0x041D},
      {nullptr, nullptr, "sv_SE.UTF-8@euro", 0x041D},
      {nullptr, nullptr, "sv_FI.UTF-8", 0x081D},
      {nullptr, nullptr, "en_US.UTF-8", 0x0409},
      {nullptr, nullptr, "en_GB.UTF-8", 0x0809},
      {nullptr, nullptr, "de_DE.UTF-8", 0x0407},
      {nullptr, nullptr, "fr_CA.UTF-8", 0x0C0C},
      {nullptr, nullptr, "sr_RS@latin", 0x241A},
      {nullptr, nullptr, "sv", 0x001D},           // a language alone: its neutral id
      {nullptr, nullptr, "sv_AX.UTF-8", 0x1000},  // no id of its own, and not Swedish (Sweden)
      {nullptr, nullptr, "xx_YY", 0x1000},
      {nullptr, nullptr, "C", 0},
      {nullptr, nullptr, "C.UTF-8", 0},
      {nullptr, nullptr, "POSIX", 0},
      {nullptr, nullptr, "", 0},
      {nullptr, nullptr, nullptr, 0},
      {nullptr, nullptr, "garbage!!", 0},
      {nullptr, nullptr, "sv_SE.", 0},
      {nullptr, nullptr, "/usr/lib/locale/sv_SE", 0},
      {nullptr, "sv_SE.UTF-8", "en_US.UTF-8", 0x041D},
      {"en_US.UTF-8", "sv_SE.UTF-8", "sv_SE.UTF-8", 0x0409},
      {"", "sv_SE.UTF-8", "en_US.UTF-8", 0x041D},  // an empty variable counts as unset
  };
  for (const Case& c : cases) {
    Set("LC_ALL", c.all);
    Set("LC_MESSAGES", c.messages);
    Set("LANG", c.lang);
    EXPECT_EQ(Platform::ThreadLocaleId(), c.id) << (c.lang ? c.lang : "(unset)");
  }
}

TEST_F(LocaleEnvironment, SeparatorsFollowTheNumericLocale) {
  struct Case {
    const char* all;
    const char* numeric;
    const char* lang;
    char16_t thousands, decimal;
  } cases[] = {
      {nullptr, nullptr, "en_US.UTF-8", u',', u'.'},
      {nullptr, nullptr, "de_DE.UTF-8", u'.', u','},
      {nullptr, nullptr, "sv_SE.UTF-8", u'\u202f', u','},
      {nullptr, nullptr, "sv_SE.ISO-8859-1", u'\u00a0', u','},  // decoded from Latin-1
      {nullptr, nullptr, "fr_FR.UTF-8", u'\u202f', u','},
      {nullptr, nullptr, "de_CH.UTF-8", u'\u2019', u'.'},
      {nullptr, "de_DE.UTF-8", "en_US.UTF-8", u'.', u','},
      {"en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", u',', u'.'},
      {nullptr, nullptr, "C", u',', u'.'},
      {nullptr, nullptr, "C.UTF-8", u',', u'.'},
      {nullptr, nullptr, nullptr, u',', u'.'},
      {nullptr, nullptr, "xx_YY.UTF-8", u',', u'.'},  // not installed: the defaults
      {nullptr, nullptr, "garbage!!", u',', u'.'},
  };
  for (const Case& c : cases) {
    Set("LC_ALL", c.all);
    Set("LC_NUMERIC", c.numeric);
    Set("LANG", c.lang);
    Toolz::LoadFormatSettings();
    EXPECT_EQ(Toolz::FormatSettings.ThousandsMark, c.thousands) << (c.lang ? c.lang : "(unset)");
    EXPECT_EQ(Toolz::FormatSettings.DecimalMark, c.decimal) << (c.lang ? c.lang : "(unset)");
  }
}

TEST_F(LocaleEnvironment, SettingsThatDoNotFitGiveNothing) {
  Set("LANG", "sv_SE.UTF-8");
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(Platform::LocaleInfoText(0x041D, Platform::LocaleThousandsSeparator, buffer, 2), 2);
  EXPECT_EQ(buffer[0], u'\u202f');
  EXPECT_EQ(buffer[1], u'\0');
  EXPECT_EQ(Platform::LocaleInfoText(0x041D, Platform::LocaleThousandsSeparator, buffer, 1), 0);
  EXPECT_EQ(Platform::LocaleInfoText(0x041D, 0x1234, buffer, 2), 0);
}

TEST_F(LocaleEnvironment, ArgumentsDecodeFromTheLocaleCharacterSet) {
  struct Case {
    const char* ctype;
    std::string bytes;
    Text decoded;
  } cases[] = {
      {"en_US.UTF-8", "/SWEDISH", u"/SWEDISH"},
      {"en_US.UTF-8", "bildf\xc3\xb6rh\xc3\xa5llande", u"bildf\u00f6rh\u00e5llande"},
      {"en_US.UTF-8", "\xf0\x9f\x98\x80", u"\U0001F600"},
      {"en_US.UTF-8", "/SWED\xffISH", u"/SWED\uFFFDISH"},
      {"en_US.UTF-8", "\xc3", u"\uFFFD"},
      {"en_US.UTF-8", "\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"en_US.UTF-8", "\xc0\xaf", u"\uFFFD\uFFFD"},            // an overlong form
      {"sv_SE.ISO-8859-1", "f\xf6r", u"f\u00f6r"},
      {"C", "f\xc3\xb6r", u"f\u00f6r"},
      {"xx_YY.UTF-8", "f\xc3\xb6r", u"f\u00f6r"},
  };
  for (const Case& c : cases) {
    Set("LC_ALL", c.ctype);
    char program[] = "velkor";
    std::string argument = c.bytes;
    char* argv[] = {program, argument.data(), nullptr};
    Platform::Linux::KeepArguments(2, argv);
    const Platform::CommandLine line = Platform::ProcessCommandLine();
    EXPECT_FALSE(line.IsOneText);
    ASSERT_EQ(line.Arguments.size(), 2u);
    EXPECT_EQ(line.Arguments[0], u"velkor");
    EXPECT_EQ(line.Arguments[1], c.decoded) << c.ctype;
  }
  // A switch in an invalid byte sequence never matches.
  Set("LC_ALL", "en_US.UTF-8");
  char program[] = "velkor";
  char bad[] = "/SWEDISH\xff";
  char* argv[] = {program, bad, nullptr};
  Platform::Linux::KeepArguments(2, argv);
  Toolz::StartupLocaleId = 0x0409;
  EXPECT_EQ(Toolz::IsSwedish(), 0);
  char good[] = "/swedish";
  argv[1] = good;
  EXPECT_EQ(Toolz::IsSwedish(), 1);
}

TEST(LinuxUpperCase, OneCodeUnitAtATimeWithTheLengthKept) {
  struct Case {
    Text in, out;
  } cases[] = {
      {u"/swedish", u"/SWEDISH"},
      {u"bildf\u00f6rh\u00e5llande \u00e4r", u"BILDF\u00d6RH\u00c5LLANDE \u00c4R"},
      {u"\u00df", u"\u00df"},                          // no single upper-case form
      {u"\u03b1\u0436", u"\u0391\u0416"},              // Greek and Cyrillic
      {u"\U0001F600x", u"\U0001F600X"},                // surrogates stay as they are
      {Text(u"a\0b", 3), Text(u"A\0B", 3)},
      {u"\u0131i", u"II"},                             // dotless i, as Unicode maps it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Toolz::UpperText(c.in), c.out);
    EXPECT_EQ(Toolz::UpperText(c.in).size(), c.in.size());
  }
}

TEST(LinuxProcess, ModuleAndDebugger) {
  const Platform::ModuleInfo module =
      Platform::ModuleOfAddress(reinterpret_cast<const void*>(&Toolz::FloatText));
  EXPECT_EQ(module.FileName, u"linux_platform_tests");
  EXPECT_NE(module.Base, 0u);
  EXPECT_LE(module.Base, reinterpret_cast<std::uintptr_t>(&Toolz::FloatText));
  EXPECT_FALSE(Platform::DebuggerClaimsFault());
}

TEST(LinuxUtf8, RoundTripsAndReplacesLoneSurrogates) {
  const Text text = u"1\u202f920 \u00d7 \U0001F600";
  EXPECT_EQ(Platform::Linux::FromUtf8(Platform::Linux::ToUtf8(text)), text);
  EXPECT_EQ(Platform::Linux::ToUtf8(Text(1, u'\xD800')), "\xef\xbf\xbd");
}

}  // namespace

namespace {

struct sigaction CurrentHandler(int signal) {
  struct sigaction action {};
  sigaction(signal, nullptr, &action);
  return action;
}

TEST(LinuxTrapGuard, TrapsBecomeFalseAndHandlersComeBack) {
  for (int signal : {SIGSEGV, SIGFPE, SIGBUS, SIGILL}) {
    const struct sigaction before = CurrentHandler(signal);
    int trapped = signal;
    EXPECT_FALSE(Platform::RunTrapGuarded([](void* s) { std::raise(*static_cast<int*>(s)); }, &trapped));
    EXPECT_EQ(CurrentHandler(signal).sa_handler, before.sa_handler) << signal;
  }
  int value = 0;
  EXPECT_TRUE(Platform::RunTrapGuarded([](void* v) { *static_cast<int*>(v) = 7; }, &value));
  EXPECT_EQ(value, 7);
  // Exceptions pass through unchanged, and the handlers are put back on that road too.
  const struct sigaction before = CurrentHandler(SIGSEGV);
  EXPECT_THROW(Platform::RunTrapGuarded([](void*) { throw std::runtime_error("x"); }, nullptr),
               std::runtime_error);
  EXPECT_EQ(CurrentHandler(SIGSEGV).sa_handler, before.sa_handler);
  // A trap in a nested guard is caught by the inner one alone.
  bool innerResult = true;
  EXPECT_TRUE(Platform::RunTrapGuarded(
      [](void* r) {
        *static_cast<bool*>(r) = Platform::RunTrapGuarded([](void*) { std::raise(SIGSEGV); }, nullptr);
      },
      &innerResult));
  EXPECT_FALSE(innerResult);
}

// With no display at all: the queries fault (the caller turns that into 0),
// and the fault report goes to stderr. GTK keeps its first answer for the
// process, so this is the only test here that opens the display.
TEST(LinuxDisplay, WithoutADisplay) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_EQ(Platform::ContextCaps(0, Platform::HorizontalResolution), 0);
  EXPECT_THROW(Platform::DesktopWindow(), std::exception);
  EXPECT_EQ(Toolz::ScreenWidth(), 0);
  EXPECT_EQ(Toolz::ScreenHeight(), 0);
  ::testing::internal::CaptureStderr();
  const int shown = Platform::ShowMessageBox(0, u"Exception K in module m at 00000000.\r\nx \u00d7.\r\n",
                                             u"Application Error", Platform::ErrorBoxStyle);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(written, "Exception K in module m at 00000000.\r\nx \xc3\x97.\r\n");
}

}  // namespace
