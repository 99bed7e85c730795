// wininfo CLASS TITLE: waits up to 30 s for a top-level window of that class
// and title, then prints what the window system knows of it, one fact per
// line, for the tests to compare:
//   class NAME            the registered class name, as spelt at registration
//   title TEXT
//   owner 0|1             whether it has an owner window
//   classstyle 0xHEX      the class style
//   style 0xHEX           the window style
//   exstyle 0xHEX         the extended window style
//   window L T R B        the window rectangle, frame included, in screen pixels
//   frame L T R B         what the window's style adds around a client area
//                         (left and top negative), as AdjustWindowRect says
//   client W H            the client area
//   screen W H            the primary screen
//   child CLASS TEXT      one line per child window, in z order
// Exits 1 when no such window appears.
#include <windows.h>

#include <cstdio>

static BOOL CALLBACK print_child(HWND child, LPARAM) {
  char name[64] = "", text[256] = "";
  GetClassNameA(child, name, sizeof name);
  GetWindowTextA(child, text, sizeof text);
  std::printf("child %s %s\n", name, text);
  return TRUE;
}

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: wininfo CLASS TITLE\n");
    return 2;
  }
  HWND window = nullptr;
  for (int tries = 0; tries < 300 && !window; tries++) {
    window = FindWindowA(argv[1], argv[2]);
    if (!window) Sleep(100);
  }
  if (!window) {
    std::fprintf(stderr, "wininfo: no window of class %s titled %s\n", argv[1], argv[2]);
    return 1;
  }
  char name[64] = "", title[256] = "";
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  std::printf("class %s\n", name);
  std::printf("title %s\n", title);
  std::printf("owner %d\n", GetWindow(window, GW_OWNER) != nullptr);
  std::printf("classstyle 0x%lx\n", static_cast<unsigned long>(GetClassLongPtrA(window, GCL_STYLE)));
  std::printf("style 0x%lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
  std::printf("exstyle 0x%lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
  std::printf("window %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRect(&frame, GetWindowLongA(window, GWL_STYLE), FALSE);
  std::printf("frame %ld %ld %ld %ld\n", frame.left, frame.top, frame.right, frame.bottom);
  std::printf("client %ld %ld\n", client.right - client.left, client.bottom - client.top);
  std::printf("screen %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  EnumChildWindows(window, print_child, 0);
  return 0;
}
