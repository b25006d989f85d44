/* Built into SDL2 for the page in place of its software renderer's drawing of points, lines,
   blended rectangles, triangles and rotated copies: the show only clears the canvas and copies
   its picture onto it (SDL_FillRect and the blitters, which stay). Each answers that it is
   unsupported, as SDL does for what a build leaves out. */
#include "SDL_internal.h"
#include "SDL_render.h"
#include "SDL_surface.h"
#include "render/software/SDL_blendfillrect.h"
#include "render/software/SDL_blendline.h"
#include "render/software/SDL_blendpoint.h"
#include "render/software/SDL_drawline.h"
#include "render/software/SDL_drawpoint.h"
#include "render/software/SDL_rotate.h"
#include "render/software/SDL_triangle.h"

int SDL_BlendFillRect(SDL_Surface *dst, const SDL_Rect *rect, SDL_BlendMode mode, Uint8 r, Uint8 g,
                      Uint8 b, Uint8 a) { return SDL_Unsupported(); }
int SDL_BlendFillRects(SDL_Surface *dst, const SDL_Rect *rects, int count, SDL_BlendMode mode,
                       Uint8 r, Uint8 g, Uint8 b, Uint8 a) { return SDL_Unsupported(); }
int SDL_BlendLine(SDL_Surface *dst, int x1, int y1, int x2, int y2, SDL_BlendMode mode, Uint8 r,
                  Uint8 g, Uint8 b, Uint8 a) { return SDL_Unsupported(); }
int SDL_BlendLines(SDL_Surface *dst, const SDL_Point *points, int count, SDL_BlendMode mode,
                   Uint8 r, Uint8 g, Uint8 b, Uint8 a) { return SDL_Unsupported(); }
int SDL_BlendPoint(SDL_Surface *dst, int x, int y, SDL_BlendMode mode, Uint8 r, Uint8 g, Uint8 b,
                   Uint8 a) { return SDL_Unsupported(); }
int SDL_BlendPoints(SDL_Surface *dst, const SDL_Point *points, int count, SDL_BlendMode mode,
                    Uint8 r, Uint8 g, Uint8 b, Uint8 a) { return SDL_Unsupported(); }
int SDL_DrawLine(SDL_Surface *dst, int x1, int y1, int x2, int y2, Uint32 color) {
  return SDL_Unsupported();
}
int SDL_DrawLines(SDL_Surface *dst, const SDL_Point *points, int count, Uint32 color) {
  return SDL_Unsupported();
}
int SDL_DrawPoint(SDL_Surface *dst, int x, int y, Uint32 color) { return SDL_Unsupported(); }
int SDL_DrawPoints(SDL_Surface *dst, const SDL_Point *points, int count, Uint32 color) {
  return SDL_Unsupported();
}

/* A rotated copy is never made: its size is empty, and the copy fails. */
void SDLgfx_rotozoomSurfaceSizeTrig(int width, int height, double angle, const SDL_FPoint *center,
                                    SDL_Rect *rect_dest, double *cangle, double *sangle) {
  SDL_zerop(rect_dest);
  *cangle = 1.0;
  *sangle = 0.0;
}
SDL_Surface *SDLgfx_rotateSurface(SDL_Surface *src, double angle, int smooth, int flipx, int flipy,
                                  const SDL_Rect *rect_dest, double cangle, double sangle,
                                  const SDL_FPoint *center) {
  SDL_Unsupported();
  return NULL;
}

/* Geometry: its points are left as given, and drawing it fails. */
void trianglepoint_2_fixedpoint(SDL_Point *a) {}
int SDL_SW_FillTriangle(SDL_Surface *dst, SDL_Point *d0, SDL_Point *d1, SDL_Point *d2,
                        SDL_BlendMode blend, SDL_Color c0, SDL_Color c1, SDL_Color c2) {
  return SDL_Unsupported();
}
int SDL_SW_BlitTriangle(SDL_Surface *src, SDL_Point *s0, SDL_Point *s1, SDL_Point *s2,
                        SDL_Surface *dst, SDL_Point *d0, SDL_Point *d1, SDL_Point *d2,
                        SDL_Color c0, SDL_Color c1, SDL_Color c2) {
  return SDL_Unsupported();
}
