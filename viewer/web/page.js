// SPDX-License-Identifier: MIT
// The page around Heap View's canvas: the controls, the run's address, the
// heap as a list, the step log and the message box. The program calls in
// through Module.heapViewPage (see web/Platform.cpp) and is driven through
// its exported Module._heapView... functions.
'use strict';
// Only Module is global: nothing here may clash with Emscripten's own names.
{
  const byId = (id) => document.getElementById(id);
  const canvas = byId('canvas');
  const pauseButton = byId('pause');
  const stepButton = byId('step');
  const speedSelect = byId('speed');
  const heapList = byId('heap');
  const steps = byId('steps');
  const messages = byId('messages');
  const speeds = [...speedSelect.options].map((option) => option.value);
  const kStepLines = 500;
  const kMessageLines = 500;
  const kShownProblems = 5;

  // Control, format (bidirectional among them) and separator characters
  // shown as escapes, so a line in Messages reads as written.
  const unseen = /[\p{Cc}\p{Cf}\p{Cs}\p{Zl}\p{Zp}]/gu;
  const escaped = (text) => text.replace(unseen,
    (c) => `\\u{${c.codePointAt(0).toString(16).padStart(4, '0')}}`);
  // One text node a line, the oldest dropped past the cap; the box is
  // scrolled once a frame rather than laid out again for every line.
  let scrollPending = false;
  const say = (text) => {
    messages.appendChild(document.createTextNode(escaped(String(text)) + '\n'));
    while (messages.childNodes.length > kMessageLines) messages.firstChild.remove();
    if (!scrollPending) {
      scrollPending = true;
      requestAnimationFrame(() => {
        scrollPending = false;
        messages.scrollTop = messages.scrollHeight;
      });
    }
  };

  // The run's settings from the address: a bad value is ignored and said.
  const settings = { seed: null, paused: false, speed: 1 };
  const shown = (value) => {
    const characters = [...value.slice(0, 82)];
    return JSON.stringify(characters.length > 40 ? characters.slice(0, 40).join('') + '…' : value);
  };
  // The first few said, the rest counted: an address may hold thousands.
  let ignored = 0;
  const ignore = (problem) => {
    if (++ignored <= kShownProblems) say(`Ignored in the address: ${problem}.`);
  };
  for (const [name, value] of new URLSearchParams(location.search)) {
    if (name === 'seed') {
      if (/^\d{1,10}$/.test(value) && Number(value) <= 0xffffffff) {
        settings.seed = Number(value);
      } else {
        ignore(`seed=${shown(value)} is not a whole number from 0 to 4294967295`);
      }
    } else if (name === 'paused') {
      if (value === '1' || value === '0') settings.paused = value === '1';
      else ignore(`paused=${shown(value)} is neither 1 nor 0`);
    } else if (name === 'speed') {
      if (speeds.includes(value)) settings.speed = Number(value);
      else ignore(`speed=${shown(value)} is not one of ${speeds.join(', ')}`);
    } else {
      ignore(`${shown(name)} is not a setting (seed, paused and speed are)`);
    }
  }
  if (ignored > kShownProblems) say(`… and ${ignored - kShownProblems} more ignored in the address.`);
  speedSelect.value = String(settings.speed);

  let seedInUse = null;
  let paused = settings.paused;
  let lost = false;
  let stopped = false;
  let quit = false;

  const updateLink = () => {
    if (seedInUse === null) return;
    const address = new URL(location.href);
    address.search = `?seed=${seedInUse}` +
      (speedSelect.value === '1' ? '' : `&speed=${speedSelect.value}`);
    address.hash = '';
    byId('link').href = address.href;
  };
  const updateControls = () => {
    pauseButton.textContent = paused ? 'Resume' : 'Pause';
    pauseButton.disabled = stopped;
    stepButton.disabled = stopped || lost || !paused;
    speedSelect.disabled = stopped;
  };
  updateControls();

  // The values the list shows, and the item marked as the last step's.
  const listed = [];
  let current = -1;

  // The program's side: where it reads the settings and tells each frame.
  const page = {
    ...settings,
    firstFrameAt: null,
    seedInUse(seed) {
      seedInUse = seed;
      byId('seed').textContent = String(seed);
      updateLink();
    },
    frameDrawn(step, line, values, changed) {
      if (page.firstFrameAt === null) page.firstFrameAt = performance.now();
      // The list: one item per node in level order, reused from step to step;
      // a step moves one value along a path, so only those items are touched.
      while (listed.length < values.length) {
        listed.push(null);
        heapList.appendChild(document.createElement('li'));
      }
      while (listed.length > values.length) {
        listed.pop();
        heapList.lastChild.remove();
      }
      const items = heapList.children;
      values.forEach((value, i) => {
        if (listed[i] !== value) items[i].textContent = String(listed[i] = value);
      });
      if (current !== changed) {
        if (current >= 0 && current < items.length) items[current].removeAttribute('aria-current');
        if (changed >= 0 && changed < items.length) items[changed].setAttribute('aria-current', 'true');
        current = changed;
      }
      const entry = document.createElement('div');
      entry.textContent = line;
      steps.appendChild(entry);
      while (steps.children.length > kStepLines) steps.firstChild.remove();
    },
  };

  // Before the program runs it reads page.paused and page.speed itself.
  const running = () => seedInUse !== null && !stopped;
  pauseButton.addEventListener('click', () => {
    paused = page.paused = !paused;
    if (running()) Module._heapViewSetPaused(paused ? 1 : 0);
    updateControls();
  });
  stepButton.addEventListener('click', () => { if (running()) Module._heapViewStep(); });
  speedSelect.addEventListener('change', () => {
    page.speed = Number(speedSelect.value);
    if (running()) Module._heapViewSetSpeed(page.speed);
    updateLink();
  });

  // A lost picture stops the steps; a restored one draws again. Once the
  // program has quit, its last frame is drawn again and nothing more.
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault(); // so that the browser may give it back
    lost = true;
    if (running()) Module._heapViewSetContextLost(1);
    say('The browser took the picture away (WebGL context lost)' +
      (running() ? ': the steps are stopped.' : '.'));
    updateControls();
  });
  canvas.addEventListener('webglcontextrestored', () => {
    lost = false;
    if (running()) {
      say('The picture is back: drawing again.');
      Module._heapViewSetContextLost(0);
    } else if (quit) {
      Module._heapViewRedraw();
      say('The picture is back, as it was when Heap View quit.');
    }
    updateControls();
  });

  // These listeners come before the program's own, so they can hold events
  // back from it: keys meant for a control (and Tab, which moves between
  // them), Space unless the picture has the focus (elsewhere it scrolls the
  // page), all input once it has quit, and, as a window would, the release of
  // a button that was not pressed on the picture. The program keeps a press on
  // the picture from focusing it, so that is done here.
  const inControl = (target) => target instanceof Element &&
    target.closest('button, select, input, textarea, a[href], [contenteditable]') !== null;
  const pressedOnCanvas = new Set();
  for (const type of ['keydown', 'keyup', 'mousedown', 'mouseup']) {
    window.addEventListener(type, (event) => {
      if (type === 'mousedown' && event.target === canvas) {
        pressedOnCanvas.add(event.button);
        canvas.focus({ preventScroll: true });
      }
      const released = type === 'mouseup' && pressedOnCanvas.delete(event.button);
      const key = type.startsWith('key');
      if (stopped || (type === 'mouseup' && !released) || (key && (inControl(event.target) ||
          event.key === 'Tab' || (event.key === ' ' && event.target !== canvas)))) {
        event.stopImmediatePropagation();
      }
    }, true);
  }
  const stop = (text) => {
    stopped = true;
    updateControls();
    say(text);
  };
  // Quitting unwinds the program with an ExitStatus exception; it is not an
  // error. Anything else thrown before the first frame would leave the page
  // blank in silence: most often the browser gave no WebGL context, and the
  // program met its absence on its first GL call.
  const failedToStart = (error) => {
    if (stopped || page.firstFrameAt !== null) return;
    stop(canvas.getContext('webgl') === null
      ? 'Heap View needs WebGL, which this browser does not offer here: turn on WebGL ' +
        '(and graphics acceleration) in its settings, or open the page in a browser that has it.'
      : `Heap View stopped on an error: ${error?.message ?? error}`);
  };
  window.addEventListener('error', (event) => {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
    else failedToStart(event.error ?? event.message);
  });
  window.addEventListener('unhandledrejection', (event) => failedToStart(event.reason));
  // Emscripten's script reads its settings from the global Module.
  window.Module = {
    canvas,
    heapViewPage: page,
    print: (text) => { console.log(text); say(text); },
    printErr: (text) => { console.error(text); say(text); },
    onExit: (status) => {
      quit = true;
      stop(`Heap View has quit (status ${status}): the animation is stopped.`);
    },
    onAbort: (what) => stop(`Heap View stopped on an error: ${what}`),
  };

  // What would fail in silence while loading is said, and the program is
  // not started.
  if (location.protocol === 'file:') {
    stop('Heap View cannot run from a file: the browser will not load its program so. ' +
      'Serve the site (scripts/serve-web.sh) and open the address it prints.');
  } else {
    const script = document.createElement('script');
    script.src = 'heap-view.js';
    script.onerror = () => stop('Heap View could not be loaded: the server has no heap-view.js ' +
      'beside this page (rebuild the site with scripts/build-web.sh).');
    document.body.appendChild(script);
  }
}
