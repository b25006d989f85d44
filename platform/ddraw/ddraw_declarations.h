// Stand-in declarations of what the show calls of DirectDraw's first version: the methods of
// IDirectDraw and IDirectDrawSurface it uses, the surface description and pixel-format records
// with their 32-bit layouts, and the flags and results it meets. Only the show calls through
// these tables, so they hold only its methods, in the interfaces' order.
#pragma once
#include "platform/win32/win32_declarations.h"

#define STDMETHODCALLTYPE

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};

struct IUnknown {
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IDirectDraw;
struct IDirectDrawSurface;
typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDSCAPS {
  DWORD dwCaps;
};
typedef DDSCAPS* LPDDSCAPS;

// Only the RGB meaning of each field: the emulated screen has no other kind of pixel.
struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  DWORD dwRGBBitCount;
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};
typedef DDPIXELFORMAT* LPDDPIXELFORMAT;

struct DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwRefreshRate;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};
typedef DDSURFACEDESC* LPDDSURFACEDESC;

static_assert(sizeof(DDPIXELFORMAT) == 32, "the pixel format record is 32 bytes");
static_assert(sizeof(void*) != 4 || sizeof(DDSURFACEDESC) == 108,
              "on 32-bit x86 the surface description is 108 bytes");

struct IDirectDraw : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                                  LPDIRECTDRAWSURFACE* surface,
                                                  IUnknown* outer) = 0;
  virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height,
                                                   DWORD bitsPerPixel) = 0;
};

struct IDirectDrawSurface : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                       LPDIRECTDRAWSURFACE* surface) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) = 0;
  virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                         HANDLE event) = 0;
  virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) = 0;
};

// The entry the show looks up by name in "ddraw.dll".
HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* display, IUnknown* outer);

// Results
#define DD_OK 0
#define QUENTHOR_DDERR(code) ((HRESULT)(0x88760000u | (code)))
#define DDERR_GENERIC ((HRESULT)0x80004005u)
#define DDERR_UNSUPPORTED ((HRESULT)0x80004001u)
#define DDERR_INVALIDPARAMS ((HRESULT)0x80070057u)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110u)
#define DDERR_INVALIDCAPS QUENTHOR_DDERR(100)
#define DDERR_INVALIDMODE QUENTHOR_DDERR(120)
#define DDERR_NOCOOPERATIVELEVELSET QUENTHOR_DDERR(212)
#define DDERR_NOEXCLUSIVEMODE QUENTHOR_DDERR(225)
#define DDERR_NOTFOUND QUENTHOR_DDERR(255)
#define DDERR_OUTOFVIDEOMEMORY QUENTHOR_DDERR(380)
#define DDERR_SURFACEBUSY QUENTHOR_DDERR(430)
#define DDERR_SURFACELOST QUENTHOR_DDERR(450)
#define DDERR_INVALIDDIRECTDRAWGUID QUENTHOR_DDERR(561)
#define DDERR_NODIRECTDRAWHW QUENTHOR_DDERR(563)
#define DDERR_PRIMARYSURFACEALREADYEXISTS QUENTHOR_DDERR(564)
#define DDERR_EXCLUSIVEMODEALREADYSET QUENTHOR_DDERR(581)
#define DDERR_NOTFLIPPABLE QUENTHOR_DDERR(582)
#define DDERR_WRONGMODE QUENTHOR_DDERR(587)
#define DDERR_NOTLOCKED QUENTHOR_DDERR(584)

// Cooperative levels
#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010

// Surface description fields
#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000

// Surface capabilities
#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800
#define DDSCAPS_VIDEOMEMORY 0x00004000
#define DDSCAPS_VISIBLE 0x00008000

// Pixel format flags
#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040

// Lock and flip
#define DDLOCK_WAIT 0x00000001
#define DDFLIP_WAIT 0x00000001
