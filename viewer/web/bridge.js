// SPDX-License-Identifier: MIT
// The one place where the page's script meets the program (web/Bridge.cpp is
// the other side): what the program asks and tells the page, as
// Module.heapViewPage, and every call into it, Module._heapView..., offered
// to page.js as Module.heapViewBridge. page.js connects its handlers here.
'use strict';
{
  const handlers = {
    text: () => null, seedInUse() {}, frameDrawn() {}, tryFrame() {}, say() {}, structure() {},
  };
  // What a call told back through page.tell, for the call to return.
  const told = {};
  // The program reads its settings here and tells each frame.
  const page = {
    seed: null,
    paused: false,
    speed: 1,
    trying: false,
    firstFrameAt: null,
    lessonOpenedAt: null, // when the program began reading the link
    showsStructure: false,
    text: (name) => handlers.text(name),
    seedInUse: (seed) => handlers.seedInUse(seed),
    frameDrawn(step, line, values, changed) {
      if (page.firstFrameAt === null) page.firstFrameAt = performance.now();
      handlers.frameDrawn(step, line, values, changed);
    },
    tell(what, text) {
      if (what === 'message') {
        handlers.say(text);
      } else if (what === 'structure') {
        handlers.structure(JSON.parse(text));
      } else if (what === 'frame') {
        if (page.firstFrameAt === null) page.firstFrameAt = performance.now();
        handlers.tryFrame(JSON.parse(text));
      } else {
        told[what] = text;
      }
    },
  };
  const program = {
    setPaused: (paused) => Module._heapViewSetPaused(paused ? 1 : 0),
    step: () => Module._heapViewStep(),
    setSpeed: (speed) => Module._heapViewSetSpeed(speed),
    setContextLost: (lost) => Module._heapViewSetContextLost(lost ? 1 : 0),
    redraw: () => Module._heapViewRedraw(),
    watchStructure: () => Module._heapViewWatchStructure(),
    setTrying: (trying) => Module._heapViewSetTrying(trying ? 1 : 0),
    // "Try it": before the program starts, the lesson link is read (its
    // parameters through handlers.text); whether it asks for "Try it".
    tryOpen() {
      page.lessonOpenedAt = performance.now();
      return Module._heapViewTryOpen() === 1;
    },
    // action: the index in program.actions; fields through handlers.text.
    tryRun: (action, frame, position, way, seed) =>
      Module._heapViewTryRun(program.actions.indexOf(action), frame, position, way, seed) === 1,
    actions: ['insert', 'extract', 'change', 'remove', 'build', 'sort', 'random', 'clear'],
    // "Ask me first": the question before tryRun with the same arguments, and
    // the verdict on an answer (a position, or the two counts); null for none.
    ask(action, frame, position, way, seed) {
      Module._heapViewTryAsk(program.actions.indexOf(action), frame, position, way, seed);
      return told.question ? JSON.parse(told.question) : null;
    },
    check(position, oneByOne) {
      if (oneByOne === undefined) Module._heapViewTryCheck(position);
      else Module._heapViewTryCheckCounts(position, oneByOne);
      return told.verdict ? JSON.parse(told.verdict) : null;
    },
    trySetKind: (max, frame) => Module._heapViewTrySetKind(max ? 1 : 0, frame),
    tryShow: (frame) => Module._heapViewTryShow(frame),
    frameCount: () => Module._heapViewTryFrameCount(),
    previousOperation: (frame) => Module._heapViewTryPreviousOperation(frame),
    nextOperation: (frame) => Module._heapViewTryNextOperation(frame),
    link(frame) {
      Module._heapViewTryLink(frame);
      return told.link;
    },
    positionAt: (x, y) => Module._heapViewPositionAt(x, y),
    boxes() {
      Module._heapViewBoxes();
      return JSON.parse(told.boxes);
    },
  };
  window.Module = {
    heapViewPage: page,
    heapViewBridge: { program, connect: (given) => Object.assign(handlers, given) },
  };
}
