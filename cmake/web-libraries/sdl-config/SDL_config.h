/* SDL's own configuration for emscripten, less OpenGL ES and EGL: the page draws on a 2D canvas
   through SDL's software renderer, and WebGL's library would only be weight (each of its
   functions is reachable by name through EGL). SDL's sources find this file before its own
   SDL_config.h; that one, included after it by the public headers, adds nothing, since the
   emscripten configuration is already read. */
#ifndef QUENTHOR_SDL_CONFIG_H
#define QUENTHOR_SDL_CONFIG_H
#include "SDL_config_emscripten.h"
#undef SDL_VIDEO_RENDER_OGL_ES2
#undef SDL_VIDEO_OPENGL_ES2
#undef SDL_VIDEO_OPENGL_EGL
#endif
