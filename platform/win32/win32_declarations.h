// Stand-in declarations of the window-system and kernel calls the show makes: the names,
// argument shapes, record layouts and values a Windows program sees.
#pragma once
#include <cstdint>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned short ATOM;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef unsigned int UINT;
typedef std::int32_t HRESULT;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef void* LPVOID;
typedef void* HANDLE;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef LONG* LPLONG;
typedef BOOL* LPBOOL;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Handles are distinct opaque pointer types, so one kind can't be passed for another.
#define QUENTHOR_DECLARE_HANDLE(name) \
  struct name##__ { int unused; };    \
  typedef struct name##__* name
QUENTHOR_DECLARE_HANDLE(HWND);
QUENTHOR_DECLARE_HANDLE(HINSTANCE);
QUENTHOR_DECLARE_HANDLE(HICON);
QUENTHOR_DECLARE_HANDLE(HBRUSH);
QUENTHOR_DECLARE_HANDLE(HMENU);
QUENTHOR_DECLARE_HANDLE(HDC);
#undef QUENTHOR_DECLARE_HANDLE
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;

typedef std::intptr_t(WINAPI* FARPROC)();
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
  LONG x;
  LONG y;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
typedef RECT* LPRECT;

// What WM_NCCREATE and WM_CREATE carry in lParam: the arguments of CreateWindowExA.
struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

// Window messages
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_MOUSEMOVE 0x0200
#define WM_USER 0x0400

// Virtual-key codes
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_DOWN 0x28
#define VK_PRIOR 0x21
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_F1 0x70
#define VK_F10 0x79
// Digits are '0'..'9' (0x30-0x39) and letters 'A'..'Z' (0x41-0x5A).

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Where the pointer is, in WM_SETCURSOR's lParam (low word).
#define HTCLIENT 1

#define WS_POPUP 0x80000000u
#define WS_VISIBLE 0x10000000u

#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u

// user32
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI DestroyWindow(HWND window);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeFlags);
BOOL WINAPI TranslateMessage(const MSG* message);
LRESULT WINAPI DispatchMessageA(const MSG* message);
HCURSOR WINAPI SetCursor(HCURSOR cursor);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// kernel32
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
BOOL WINAPI FreeLibrary(HMODULE module);
void WINAPI Sleep(DWORD milliseconds);
DWORD WINAPI GetTickCount();
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);
