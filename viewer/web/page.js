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

  const scrollDown = (box) => { box.scrollTop = box.scrollHeight; };
  const say = (text) => {
    messages.textContent += text + '\n';
    scrollDown(messages);
  };

  // The run's settings from the address: a bad value is ignored and said.
  const settings = { seed: null, paused: false, speed: 1 };
  const shown = (value) => JSON.stringify(value.length > 40 ? value.slice(0, 40) + '…' : value);
  const problems = [];
  for (const [name, value] of new URLSearchParams(location.search)) {
    if (name === 'seed') {
      if (/^\d{1,10}$/.test(value) && Number(value) <= 0xffffffff) {
        settings.seed = Number(value);
      } else {
        problems.push(`seed=${shown(value)} is not a whole number from 0 to 4294967295`);
      }
    } else if (name === 'paused') {
      if (value === '1' || value === '0') settings.paused = value === '1';
      else problems.push(`paused=${shown(value)} is neither 1 nor 0`);
    } else if (name === 'speed') {
      if (speeds.includes(value)) settings.speed = Number(value);
      else problems.push(`speed=${shown(value)} is not one of ${speeds.join(', ')}`);
    } else {
      problems.push(`${shown(name)} is not a setting (seed, paused and speed are)`);
    }
  }
  for (const problem of problems) say(`Ignored in the address: ${problem}.`);
  speedSelect.value = String(settings.speed);

  let seedInUse = null;
  let paused = settings.paused;
  let lost = false;
  let stopped = false;

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

  // A lost picture stops the steps; a restored one draws again.
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault(); // so that the browser may give it back
    lost = true;
    if (running()) Module._heapViewSetContextLost(1);
    say('The browser took the picture away (WebGL context lost): the steps are stopped.');
    updateControls();
  });
  canvas.addEventListener('webglcontextrestored', () => {
    lost = false;
    say('The picture is back: drawing again.');
    if (running()) Module._heapViewSetContextLost(0);
    updateControls();
  });

  // These listeners come before the program's own, so they can hold events
  // back from it: keys meant for a control (and Tab, which moves between
  // them), all input once it has quit, and, as a window would, the release of
  // a button that was not pressed on the picture.
  const inControl = (target) => target instanceof Element &&
    target.closest('button, select, input, textarea, a[href], [contenteditable]') !== null;
  const pressedOnCanvas = new Set();
  for (const type of ['keydown', 'keyup', 'mousedown', 'mouseup']) {
    window.addEventListener(type, (event) => {
      if (type === 'mousedown' && event.target === canvas) pressedOnCanvas.add(event.button);
      const released = type === 'mouseup' && pressedOnCanvas.delete(event.button);
      const key = type.startsWith('key');
      if (stopped || (type === 'mouseup' && !released) ||
          (key && (inControl(event.target) || event.key === 'Tab'))) {
        event.stopImmediatePropagation();
      }
    }, true);
  }
  // Quitting unwinds the program with an ExitStatus exception; it is not an error.
  window.addEventListener('error', (event) => {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });
  const stop = (text) => {
    stopped = true;
    updateControls();
    say(text);
  };
  // Emscripten's script reads its settings from the global Module.
  window.Module = {
    canvas,
    heapViewPage: page,
    print: (text) => { console.log(text); say(text); },
    printErr: (text) => { console.error(text); say(text); },
    onExit: (status) => stop(`Heap View has quit (status ${status}): the animation is stopped.`),
    onAbort: (what) => stop(`Heap View stopped on an error: ${what}`),
  };
}
