// The display and the message box, on GTK 3 (X11 or Wayland, whichever GDK
// opens), and the processor-trap guard the display queries run under.

#include <gtk/gtk.h>

#include <array>
#include <clocale>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

#include "platform/Platform.h"
#include "platform/linux/Linux.h"

namespace Platform {

namespace {

bool IsSocket(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// The accessibility bridge reaches its bus through the session bus. With no
// session bus configured it autolaunches one, and the accessibility daemons
// with it, which outlive this one-shot program; with a session bus that
// cannot provide the accessibility bus it prints a warning. In neither case
// can an assistive technology be listening, so the bridge stays off then.
// Connecting only to a configured address never autolaunches anything.
GVariant* AskBus(GDBusConnection* bus, const char* method, GVariant* arguments) {
  return g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", method, arguments, nullptr,
                                     G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
}

bool AccessibilityBusReachable() {
  static constexpr const char* launcher = "org.a11y.Bus";
  if (g_getenv("AT_SPI_BUS_ADDRESS") != nullptr) return true;
  const char* runtimeDir = g_getenv("XDG_RUNTIME_DIR");
  if (g_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr &&
      (runtimeDir == nullptr || !IsSocket(std::string(runtimeDir) + "/bus"))) {
    return false;
  }
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) return false;
  bool reachable = false;
  if (GVariant* reply = AskBus(bus, "NameHasOwner", g_variant_new("(s)", launcher))) {
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    reachable = owned;
    g_variant_unref(reply);
  }
  if (!reachable) {
    if (GVariant* reply = AskBus(bus, "ListActivatableNames", nullptr)) {
      GVariantIter* names = nullptr;
      const char* name = nullptr;
      g_variant_get(reply, "(as)", &names);
      while (!reachable && g_variant_iter_next(names, "&s", &name)) {
        reachable = g_strcmp0(name, launcher) == 0;
      }
      g_variant_iter_free(names);
      g_variant_unref(reply);
    }
  }
  g_object_unref(bus);
  return reachable;
}

// GTK is initialised once; a display that could not be opened stays
// unavailable for the rest of the run.
GdkDisplay* OpenDisplay() {
  static bool tried = false;
  static GdkDisplay* display = nullptr;
  if (tried) return display;
  tried = true;
  if (g_getenv("NO_AT_BRIDGE") == nullptr && !AccessibilityBusReachable()) {
    g_setenv("NO_AT_BRIDGE", "1", FALSE);
  }
  // The toolkit would set the C library's locale itself and, like fontconfig,
  // warn when the environment names one that cannot be loaded. Our own texts
  // read the environment directly, so a quiet Unicode fallback loses nothing.
  if (std::setlocale(LC_ALL, "") == nullptr) {
    std::setlocale(LC_ALL, "C.UTF-8");
    g_setenv("FC_LANG", "en", FALSE);
  }
  gtk_disable_setlocale();
  if (gtk_init_check(nullptr, nullptr)) display = gdk_display_get_default();
  return display;
}

// The first icon name the theme knows, so that a box never shows the
// "missing image" placeholder in place of its symbol.
const char* IconName(bool error) {
  static constexpr std::array<const char*, 3> informationNames = {
      "dialog-information", "dialog-information-symbolic", "help-about"};
  static constexpr std::array<const char*, 3> errorNames = {
      "dialog-error", "dialog-error-symbolic", "dialog-warning"};
  const auto& names = error ? errorNames : informationNames;
  GtkIconTheme* theme = gtk_icon_theme_get_default();
  for (const char* name : names) {
    if (gtk_icon_theme_has_icon(theme, name)) return name;
  }
  return names[0];
}

// The label GtkMessageDialog shows its primary text in.
GtkLabel* MessageLabel(GtkMessageDialog* dialog) {
  GtkLabel* label = nullptr;
  GList* children = gtk_container_get_children(
      GTK_CONTAINER(gtk_message_dialog_get_message_area(dialog)));
  if (children != nullptr && GTK_IS_LABEL(children->data)) label = GTK_LABEL(children->data);
  g_list_free(children);
  return label;
}

// The guard of the innermost RunTrapGuarded in progress.
thread_local sigjmp_buf* activeGuard = nullptr;

void OnTrap(int signal) {
  if (activeGuard != nullptr) siglongjmp(*activeGuard, 1);
  // Not ours to handle: let it end the process as it would have.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

constexpr int TrapSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int TrapCount = sizeof(TrapSignals) / sizeof(TrapSignals[0]);

struct SavedHandlers {
  struct sigaction previous[TrapCount];
};

void InstallTrapHandlers(SavedHandlers& saved) {
  struct sigaction action {};
  action.sa_handler = OnTrap;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int i = 0; i < TrapCount; ++i) sigaction(TrapSignals[i], &action, &saved.previous[i]);
}

void RestoreTrapHandlers(const SavedHandlers& saved) {
  for (int i = 0; i < TrapCount; ++i) sigaction(TrapSignals[i], &saved.previous[i], nullptr);
}

}  // namespace

WindowHandle DesktopWindow() {
  GdkDisplay* display = OpenDisplay();
  if (display == nullptr) throw std::runtime_error("no display can be opened");
  return reinterpret_cast<WindowHandle>(display);
}

DeviceContext DesktopContext(WindowHandle desktop) {
  GdkDisplay* display = reinterpret_cast<GdkDisplay*>(desktop);
  if (display == nullptr) return 0;
  // Wayland names no primary monitor; the first one stands in for it.
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) {
    monitor = gdk_display_get_monitor(display, 0);
  }
  return reinterpret_cast<DeviceContext>(monitor);
}

std::int32_t ContextCaps(DeviceContext context, int index) {
  GdkMonitor* monitor = reinterpret_cast<GdkMonitor*>(context);
  if (monitor == nullptr) return 0;
  GdkRectangle geometry{};
  gdk_monitor_get_geometry(monitor, &geometry);
  // GDK measures in scaled units; the size wanted is in device pixels.
  const int scale = gdk_monitor_get_scale_factor(monitor);
  switch (index) {
    case HorizontalResolution:
      return geometry.width * scale;
    case VerticalResolution:
      return geometry.height * scale;
    default:
      return 0;
  }
}

int ReleaseContext(WindowHandle, DeviceContext) { return 1; }

bool RunTrapGuarded(void (*body)(void*), void* context) {
  SavedHandlers saved;
  sigjmp_buf guard;
  sigjmp_buf* const outer = activeGuard;
  InstallTrapHandlers(saved);
  // Saving the signal mask lets the jump back unblock the trapping signal.
  if (sigsetjmp(guard, 1) != 0) {
    activeGuard = outer;
    RestoreTrapHandlers(saved);
    return false;
  }
  activeGuard = &guard;
  try {
    body(context);
  } catch (...) {
    activeGuard = outer;
    RestoreTrapHandlers(saved);
    throw;
  }
  activeGuard = outer;
  RestoreTrapHandlers(saved);
  return true;
}

int ShowMessageBox(WindowHandle, const char16_t* text, const char16_t* caption,
                   std::uint32_t style) {
  const bool error = (style & 0xF0) == (ErrorBoxStyle & 0xF0);
  const std::string message = Linux::ToUtf8(text);
  GdkDisplay* display = OpenDisplay();
  if (display == nullptr) {
    // A fault report must reach someone even without a display.
    if (error) {
      std::fwrite(message.data(), 1, message.size(), stderr);
      std::fflush(stderr);
    }
    return 0;
  }
  const std::string title = Linux::ToUtf8(caption);

  // The program has no window of its own, so the box has no parent.
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                                             error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO,
                                             GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  // A message dialog names itself after its kind ("Information"); a screen
  // reader should announce the box by its caption, as it is shown.
  atk_object_set_name(gtk_widget_get_accessible(dialog), title.c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  if (GtkLabel* label = MessageLabel(GTK_MESSAGE_DIALOG(dialog))) {
    gtk_label_set_selectable(label, TRUE);
  }
  // GTK 3.24 message dialogs draw no symbol of their own; the image property
  // is deprecated but is still the dialog's own place for one.
  GtkWidget* image = gtk_image_new_from_icon_name(IconName(error), GTK_ICON_SIZE_DIALOG);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), image);
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_widget_show(image);
  // Focus on the button rather than the selectable text, which would
  // otherwise start out fully selected; Enter then presses OK.
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  if (GtkWidget* ok = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK)) {
    gtk_widget_grab_focus(ok);
  }
  // Any response ends the run: OK, Escape and closing the window alike.
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  // Let the window system see the box go before the process ends.
  gdk_display_flush(display);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  return 1;
}

}  // namespace Platform
