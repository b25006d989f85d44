// Gentle viewing: what the screen shows instead of the show's pictures, for people sensitive to
// flashing light. The pictures come in as the show presents them; out goes a calm picture that
// follows them: each pixel moves along a straight line in linear light, piecewise linear in
// time, with its knots on a fixed grid every kGentleKnotMs of the host clock. At each knot the
// next target becomes, pixel by pixel, the darkest (least luminous) of what was presented during
// the last kGentleKnotMs, and the output travels from where it is to that target by the next
// knot.
//
// Why no region of the screen can flash more than three times a second, whatever comes in:
// between two knots every pixel's linear red, green and blue are linear in time, so any linear
// measure of them (relative luminance, R-G-B, the average of either over any region, at any
// whole-number scale) is monotone there. The screen holds the output of the latest present, so
// what is seen during any one second comes from at most the grid pieces the second meets (four
// knots fit in it, so five pieces) and the piece of the present before it: at most six
// monotone runs, so at most six transitions (three flashes) of either kind. Storing the knots'
// pictures in 8-bit sRGB moves a value by at most half a step of a channel, which can fake a
// reversal of under 0.01 in luminance and under 5 in (R-G-B)x320, far below what counts as a
// transition (0.1 and 20).
//
// The bound holds whatever the targets are; the darkest is chosen for what it looks like. A
// quarter second holds at least one of the strobe's picture phases, and white is never the
// darker, so the screen rests on the show's own picture, at its full contrast and level, not on
// a pale mix of it and white; a change of picture shows in full within two knots (half a
// second).
#pragma once
#include <cstdint>

#include "platform/host/screen.h"

namespace platform {
namespace host {

const std::uint32_t kGentleKnotMs = 250;

// Takes the picture presented at now (host clock, ms, wrapping). The first picture, or one of
// another size, starts the filter over from black. False, with nothing taken, when the filter
// has no memory for the picture's size.
bool GentleTake(const Picture& picture, std::uint32_t now);
// GentleTake for a screen's Present: the picture counts as the same as the last only if the
// filter took that one too (sawLast), and a filter out of memory is named on standard error.
// Whether it took this one, for the next call's sawLast.
bool GentleTakePresented(const Picture& picture, bool sawLast, std::uint32_t now);
// Writes what the screen shows at now (not before the last picture taken) into out: the last
// picture's width x height as 32-bit 0x00RRGGBB values, outPitch bytes apart. The output may be
// drawn as seldom as the caller likes: any sampling of it keeps the limit. Nothing is written
// before the first picture.
void GentleDraw(std::uint32_t now, std::uint8_t* out, int outPitch);
// Redrawing the output this often is smooth enough for a quarter second's blend, and costs
// no more than the show's own strobe changes.
const std::uint32_t kGentleRedrawMs = 66;

// Forgets everything: the next picture starts over from black. Frees the filter's memory.
void ResetGentle();

// What a value of QUENTHOR_DISPLAY_GENTLE asks for. It is a safety switch, so it fails closed:
// only a plain no (empty, 0, no, false, off, in any case) is kNo; a plain yes (1, yes, y, true,
// on) and anything else are kYes. A null value (the variable unset) is kNotSaid: the caller
// may then follow the system's own reduced-motion setting. Names a value that is neither a
// plain yes nor a plain no on standard error, with what it gives.
enum class GentleAsked { kNotSaid, kNo, kYes };
GentleAsked GentleAskedBy(const char* value);

}  // namespace host
}  // namespace platform
