// Part of quenthor.js (emscripten's --post-js, inside the instance's own scope): the page ends an
// instance at once with quenthorHalt, whatever it is doing (waiting for a frame, for a file, or
// left behind by an error): no more wake-ups, key handlers or sound.
Module['quenthorHalt'] = function () {
  ABORT = true;  // a pending wake-up of the show's loop returns at once
  if (typeof JSEvents !== 'undefined') JSEvents.removeAllEventListeners();
  var sdl = Module['SDL2'];
  if (sdl && sdl.audio && sdl.audio.scriptProcessorNode) {
    sdl.audio.scriptProcessorNode.onaudioprocess = null;
    sdl.audio.scriptProcessorNode.disconnect();
  }
  if (sdl && sdl.audioContext && sdl.audioContext.state !== 'closed')
    sdl.audioContext.close().catch(function () {});
};
