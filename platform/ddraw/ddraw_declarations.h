// Stand-in declarations of DirectDraw's first-version interfaces: IDirectDraw and
// IDirectDrawSurface with their methods in the interfaces' own order, the surface description
// and pixel-format records with their 32-bit layouts, and the flags and results the show meets.
// Methods the show never calls keep their slots, with their records left incomplete.
#pragma once
#include "platform/win32/win32_declarations.h"

#define STDMETHODCALLTYPE

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
typedef const GUID& REFIID;

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IDirectDraw;
struct IDirectDrawSurface;
struct IDirectDrawClipper;
struct IDirectDrawPalette;
typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

// Records of calls the show never makes: declared, never defined.
struct DDCAPS;
struct DDBLTFX;
struct DDBLTBATCH;
struct DDOVERLAYFX;
struct PALETTEENTRY;
typedef DDCAPS* LPDDCAPS;
typedef DDBLTFX* LPDDBLTFX;
typedef DDBLTBATCH* LPDDBLTBATCH;
typedef DDOVERLAYFX* LPDDOVERLAYFX;
typedef PALETTEENTRY* LPPALETTEENTRY;

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};
typedef DDCOLORKEY* LPDDCOLORKEY;

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

typedef HRESULT(WINAPI* LPDDENUMMODESCALLBACK)(LPDDSURFACEDESC, LPVOID);
typedef HRESULT(WINAPI* LPDDENUMSURFACESCALLBACK)(LPDIRECTDRAWSURFACE, LPDDSURFACEDESC, LPVOID);

struct IDirectDraw : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Compact() = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*,
                                                  IUnknown*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC description,
                                                  LPDIRECTDRAWSURFACE* surface,
                                                  IUnknown* outer) = 0;
  virtual HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID,
                                                     LPDDENUMMODESCALLBACK) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID,
                                                 LPDDENUMSURFACESCALLBACK) = 0;
  virtual HRESULT STDMETHODCALLTYPE FlipToGDISurface() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS, LPDDCAPS) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD, LPDWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(LPBOOL) = 0;
  virtual HRESULT STDMETHODCALLTYPE Initialize(GUID*) = 0;
  virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height,
                                                   DWORD bitsPerPixel) = 0;
  virtual HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
};

struct IDirectDrawSurface : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT) = 0;
  virtual HRESULT STDMETHODCALLTYPE Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDBLTFX) = 0;
  virtual HRESULT STDMETHODCALLTYPE BltBatch(LPDDBLTBATCH, DWORD, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) = 0;
  virtual HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                       LPDIRECTDRAWSURFACE* surface) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS caps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorKey(DWORD, LPDDCOLORKEY) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDC(HDC*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG, LPLONG) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC) = 0;
  virtual HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsLost() = 0;
  virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC description, DWORD flags,
                                         HANDLE event) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) = 0;
  virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetColorKey(DWORD, LPDDCOLORKEY) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG, LONG) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD,
                                                  LPDDOVERLAYFX) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) = 0;
};

// The entry the show looks up by name in "ddraw.dll".
HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* display, IUnknown* outer);

// Results
#define DD_OK 0
#define QUENTHOR_DDERR(code) ((HRESULT)(0x88760000u | (code)))
#define DDERR_GENERIC ((HRESULT)0x80004005u)
#define DDERR_UNSUPPORTED ((HRESULT)0x80004001u)
#define DDERR_INVALIDPARAMS ((HRESULT)0x80070057u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
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
#define DDWAITVB_BLOCKBEGIN 0x00000001
