#include "preferences/hotkey_manager.h"

#include <QGuiApplication>
#include <utility>

#include "preferences/hotkey_text.h"

// The X11 headers come last: their macros (Status, None, KeyPress) clash with Qt's names.
#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace nummora {

namespace {

// The X keysym of a virtual-key code; 0 when there is none.
unsigned long KeysymOf(int vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + static_cast<unsigned long>(vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + static_cast<unsigned long>(vk - '0');
  if (vk >= 0x70 && vk <= 0x87) return XK_F1 + static_cast<unsigned long>(vk - 0x70);
  if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + static_cast<unsigned long>(vk - 0x60);
  static const std::pair<int, unsigned long> table[] = {{0x08, XK_BackSpace},
                                                        {0x09, XK_Tab},
                                                        {0x0D, XK_Return},
                                                        {0x13, XK_Pause},
                                                        {0x14, XK_Caps_Lock},
                                                        {0x1B, XK_Escape},
                                                        {0x20, XK_space},
                                                        {0x21, XK_Prior},
                                                        {0x22, XK_Next},
                                                        {0x23, XK_End},
                                                        {0x24, XK_Home},
                                                        {0x25, XK_Left},
                                                        {0x26, XK_Up},
                                                        {0x27, XK_Right},
                                                        {0x28, XK_Down},
                                                        {0x2C, XK_Print},
                                                        {0x2D, XK_Insert},
                                                        {0x2E, XK_Delete},
                                                        {0x6A, XK_KP_Multiply},
                                                        {0x6B, XK_KP_Add},
                                                        {0x6D, XK_KP_Subtract},
                                                        {0x6E, XK_KP_Decimal},
                                                        {0x6F, XK_KP_Divide},
                                                        {0x90, XK_Num_Lock},
                                                        {0x91, XK_Scroll_Lock},
                                                        {0xBA, XK_semicolon},
                                                        {0xBB, XK_equal},
                                                        {0xBC, XK_comma},
                                                        {0xBD, XK_minus},
                                                        {0xBE, XK_period},
                                                        {0xBF, XK_slash},
                                                        {0xC0, XK_grave},
                                                        {0xDB, XK_bracketleft},
                                                        {0xDC, XK_backslash},
                                                        {0xDD, XK_bracketright},
                                                        {0xDE, XK_apostrophe},
                                                        {166, XF86XK_Back},
                                                        {167, XF86XK_Forward},
                                                        {168, XF86XK_Refresh},
                                                        {169, XF86XK_Stop},
                                                        {170, XF86XK_Search},
                                                        {171, XF86XK_Favorites},
                                                        {172, XF86XK_HomePage},
                                                        {173, XF86XK_AudioMute},
                                                        {174, XF86XK_AudioLowerVolume},
                                                        {175, XF86XK_AudioRaiseVolume},
                                                        {176, XF86XK_AudioNext},
                                                        {177, XF86XK_AudioPrev},
                                                        {178, XF86XK_AudioStop},
                                                        {179, XF86XK_AudioPlay},
                                                        {180, XF86XK_Mail},
                                                        {181, XF86XK_AudioMedia},
                                                        {182, XF86XK_MyComputer},
                                                        {183, XF86XK_Calculator}};
  for (const auto& [code, sym] : table)
    if (code == vk) return sym;
  return 0;
}

// The modifier masks that matter; Num Lock (Mod2) and Caps Lock are ignored by grabbing every
// combination of them.
constexpr unsigned kRelevantModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr unsigned kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                      XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

unsigned ModifiersOf(int value) {
  unsigned m = 0;
  if (value & kHotkeyShift) m |= XCB_MOD_MASK_SHIFT;
  if (value & kHotkeyCtrl) m |= XCB_MOD_MASK_CONTROL;
  if (value & kHotkeyAlt) m |= XCB_MOD_MASK_1;
  if (value & kHotkeyWin) m |= XCB_MOD_MASK_4;
  return m;
}

struct X11 {
  Display* display = nullptr;
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
};

// Qt's own X connection (the grabs must be made on it for its event loop to see the presses);
// empty when the program does not run on X11.
X11 QtX11() {
  X11 x;
  auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!app) return x;
  x.display = app->display();
  x.connection = app->connection();
  if (!x.display || !x.connection) return {};
  const xcb_setup_t* setup = xcb_get_setup(x.connection);
  xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
  if (!screen.rem) return {};
  x.root = screen.data->root;
  return x;
}

}  // namespace

HotkeyManager::HotkeyManager(QObject* parent) : QObject(parent) {}

HotkeyManager::~HotkeyManager() {
  RemoveAll();
  if (filtering_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

int HotkeyManager::Register(int value) {
  const X11 x = QtX11();
  if (!x.connection || value <= 0 || value > 0x1FFFF) return 0;
  const unsigned long keysym = KeysymOf(value & 0xFF);
  if (!keysym) return 0;
  const unsigned keycode = XKeysymToKeycode(x.display, keysym);
  if (!keycode) return 0;
  Entry entry;
  entry.value = value;
  entry.keycode = keycode;
  entry.modifiers = ModifiersOf(value);

  // Every lock variant is grabbed; one refusal (another client holds it) undoes the others.
  std::vector<xcb_void_cookie_t> cookies;
  for (unsigned variant : kLockVariants)
    cookies.push_back(
        xcb_grab_key_checked(x.connection, 1, x.root, static_cast<uint16_t>(entry.modifiers | variant),
                             static_cast<xcb_keycode_t>(keycode), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  bool refused = false;
  for (xcb_void_cookie_t cookie : cookies) {
    if (xcb_generic_error_t* error = xcb_request_check(x.connection, cookie)) {
      refused = true;
      free(error);
    }
  }
  if (refused) {
    Ungrab(entry);
    return 0;
  }
  // The id: the atom of "HotKeyManagerHotKey" and the value, as the hotkey's own name.
  const std::string name = "HotKeyManagerHotKey" + std::to_string(value);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      x.connection, xcb_intern_atom(x.connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
      nullptr);
  entry.id = atom ? static_cast<int>(atom->atom) : 0;
  free(atom);
  if (entry.id == 0) {
    Ungrab(entry);
    return 0;
  }
  if (!filtering_) {
    QCoreApplication::instance()->installNativeEventFilter(this);
    filtering_ = true;
  }
  entries_.push_back(entry);
  return entry.id;
}

void HotkeyManager::Ungrab(const Entry& entry) {
  const X11 x = QtX11();
  if (!x.connection) return;
  for (unsigned variant : kLockVariants)
    xcb_ungrab_key(x.connection, static_cast<xcb_keycode_t>(entry.keycode), x.root,
                   static_cast<uint16_t>(entry.modifiers | variant));
  xcb_flush(x.connection);
}

void HotkeyManager::RemoveAll() {
  while (!entries_.empty()) {
    Ungrab(entries_.back());
    entries_.pop_back();
  }
}

std::vector<int> HotkeyManager::Registered() const {
  std::vector<int> values;
  for (const Entry& e : entries_) values.push_back(e.value);
  return values;
}

bool HotkeyManager::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || entries_.empty()) return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  const unsigned modifiers = press->state & kRelevantModifiers;
  for (const Entry& e : entries_) {
    if (e.keycode == press->detail && e.modifiers == modifiers) {
      const int value = e.value;
      const int id = e.id;
      emit HotkeyPressed(value, id);
      return true;
    }
  }
  return false;
}

}  // namespace nummora
