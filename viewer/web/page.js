// SPDX-License-Identifier: MIT
// The page around Heap View's canvas: the controls, the run's address, the
// heap as a list, the step log and the message box, in "Watch" and "Try it".
// It only renders and forwards input: the program is reached through
// bridge.js alone (Module.heapViewBridge), which this script connects to.
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
  const kBlockLines = 20;
  const kMessageLines = 500;
  const kShownProblems = 5;
  const { program, connect } = Module.heapViewBridge;
  const page = Module.heapViewPage;

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
  const settings = { seed: null, paused: false, speed: 1, ask: false };
  // A lesson link's parts go to the program, which reads and checks them.
  const lesson = new Map();
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
    } else if (name === 'ask') {
      if (value === '1' || value === '0') settings.ask = value === '1';
      else ignore(`ask=${shown(value)} is neither 1 nor 0`);
    } else if (name === 'speed') {
      if (speeds.includes(value)) settings.speed = Number(value);
      else ignore(`speed=${shown(value)} is not one of ${speeds.join(', ')}`);
    } else if (['mode', 'heap', 'at', 'ops'].includes(name)) {
      if (!lesson.has(name)) lesson.set(name, value);
    } else {
      ignore(`${shown(name)} is not a setting (seed, paused, speed, ask, mode, heap, at and ops are)`);
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
  // While frames play, the Steps log is not announced line by line; when
  // they stop (a pause, the end, a lost picture), the current line is
  // announced once, and while held, each new line is (Step, Back, Forward).
  const live = { watch: false, tryOn: false, trying: false, was: null };
  const updateLive = () => {
    const playing = live.tryOn ? live.trying : live.watch;
    if (playing === live.was) return;
    steps.setAttribute('aria-live', playing ? 'off' : 'polite');
    if (live.was && !playing) {
      byId('announce').textContent = steps.lastElementChild?.lastElementChild?.textContent ?? '';
    }
    live.was = playing;
  };
  const updateControls = () => {
    live.watch = !paused && !stopped && !lost;
    updateLive();
    pauseButton.textContent = paused ? 'Resume' : 'Pause';
    pauseButton.disabled = stopped;
    stepButton.disabled = stopped || lost || !paused;
    speedSelect.disabled = stopped;
  };
  updateControls();

  // The values the list shows, and the item marked as the last step's.
  const listed = [];
  let current = -1;

  // What the program tells: the seed and each "Watch" frame.
  Object.assign(page, settings);
  connect({
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
        heapList.appendChild(document.createElement('li')).dataset.at = listed.length;
        listed.push(null);
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
      logStep(line);
    },
  });

  // The log holds its lines in blocks of kBlockLines, each laid out and
  // painted on its own: as the log grows from its end, the blocks move as
  // wholes, so a new line (four a second) costs its own block and the
  // oldest, not all 500 lines.
  let stepLines = 0;
  const logStep = (line) => {
    let block = steps.lastElementChild;
    if (!block || block.childElementCount >= kBlockLines) {
      block = steps.appendChild(document.createElement('div'));
    }
    block.appendChild(document.createElement('div')).textContent = line;
    if (++stepLines > kStepLines) {
      const oldest = steps.firstElementChild;
      oldest.firstElementChild.remove();
      if (!oldest.firstElementChild) oldest.remove();
      --stepLines;
    }
  };

  // Before the program runs it reads page.paused and page.speed itself.
  const running = () => seedInUse !== null && !stopped;
  pauseButton.addEventListener('click', () => {
    paused = page.paused = !paused;
    if (running()) program.setPaused(paused);
    updateControls();
  });
  stepButton.addEventListener('click', () => { if (running()) program.step(); });
  speedSelect.addEventListener('change', () => {
    page.speed = Number(speedSelect.value);
    if (running()) program.setSpeed(page.speed);
    updateLink();
  });

  // A lost picture stops the steps; a restored one draws again. Once the
  // program has quit, its last frame is drawn again and nothing more.
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault(); // so that the browser may give it back
    lost = true;
    if (running()) program.setContextLost(true);
    say('The browser took the picture away (WebGL context lost)' +
      (running() ? ': the steps are stopped.' : '.'));
    updateControls();
  });
  canvas.addEventListener('webglcontextrestored', () => {
    lost = false;
    if (running()) {
      say('The picture is back: drawing again.');
      program.setContextLost(false);
    } else if (quit) {
      program.redraw();
      say('The picture is back, as it was when Heap View quit.');
    }
    updateControls();
  });

  // --- "Try it": the learner's heap. The program runs the operations and
  // draws each frame; this renders the rest of a frame and forwards input.
  const valueField = byId('value');
  const valuesField = byId('values');
  const kindSelect = byId('kind');
  const waySelect = byId('way');
  const timeline = byId('timeline');
  const playButton = byId('play');
  const tryList = byId('tryheap');
  const marks = byId('marks').getContext('2d');
  const askBox = byId('ask');
  askBox.checked = settings.ask;
  let asked = null;
  const trying = { on: false, frame: 0, count: 1, view: null, chosen: -1, timer: null, boxes: null };

  // Drawing units to the canvas's pixels, y down: the program's viewport is
  // one pixel short of the canvas.
  const side = canvas.width;
  const toPixel = (unit) => (unit * (side - 1)) / side;
  const boxRect = (position) => {
    const [left, bottom, right, top] = trying.boxes[position];
    return [toPixel(left), side - 1 - toPixel(top), toPixel(right) - toPixel(left),
      toPixel(top) - toPixel(bottom)];
  };
  const tag = (x, y, text) => {
    marks.font = 'bold 13px sans-serif';
    const width = marks.measureText(text).width + 8;
    const left = Math.min(Math.max(x, 1), side - width - 1);
    const top = Math.min(Math.max(y, 1), side - 19);
    marks.fillStyle = '#ffd54f';
    marks.fillRect(left, top, width, 18);
    marks.strokeStyle = '#000';
    marks.lineWidth = 1;
    marks.strokeRect(left + 0.5, top + 0.5, width - 1, 17);
    marks.fillStyle = '#000';
    marks.fillText(text, left + 4, top + 14);
    return [left, top, width, 18];
  };
  const drawMarks = () => {
    marks.clearRect(0, 0, side, side);
    const view = trying.view;
    if (!trying.on || !view) return;
    trying.boxes ??= program.boxes();
    marks.setLineDash([]);
    if (view.hole >= 0) {
      const [x, y, w, h] = boxRect(view.hole);
      marks.fillStyle = '#fff';
      marks.fillRect(x + 1, y + 1, Math.max(w - 1, 1), Math.max(h - 1, 1));
      marks.setLineDash([4, 3]);
      marks.strokeStyle = '#000';
      marks.lineWidth = 1;
      marks.strokeRect(x + 0.5, y + 0.5, w, h);
      marks.setLineDash([]);
      if (h >= 16 && w >= 36) {
        marks.fillStyle = '#555';
        marks.font = 'italic 12px sans-serif';
        marks.fillText('hole', x + w / 2 - 12, y + h - 4);
      }
    }
    marks.strokeStyle = '#1a5fb4';
    marks.lineWidth = 3;
    for (const position of view.marked) {
      if (position < trying.boxes.length) marks.strokeRect(...boxRect(position));
    }
    if (trying.chosen >= 0 && trying.chosen < view.values.length) {
      marks.strokeStyle = '#6a1b9a';
      marks.setLineDash([6, 3]);
      const [x, y, w, h] = boxRect(trying.chosen);
      marks.strokeRect(x + 3, y + 3, Math.max(w - 6, 1), Math.max(h - 6, 1));
      marks.setLineDash([]);
    }
    if (view.lifted) {
      const [x, y] = view.hole >= 0 ? boxRect(view.hole) : [4, 4];
      const rect = tag(x + 2, y - 20, `lifted: ${view.liftedValue}`);
      if (view.liftedMarked) {
        marks.strokeStyle = '#1a5fb4';
        marks.lineWidth = 3;
        marks.strokeRect(...rect);
      }
    }
  };

  const chooseNode = (position) => {
    if (asked && !asked.how) {
      answer(program.check(position));
      return;
    }
    if (position >= trying.view.values.length) return;
    trying.chosen = position;
    byId('chosen').textContent = position < 0 ? 'none (click a box or a list entry)'
      : `position ${position}, value ${trying.view.values[position]}`;
    renderList();
    drawMarks();
  };
  const renderList = () => {
    const view = trying.view;
    const items = tryList.children;
    while (items.length < view.values.length) {
      const item = document.createElement('li');
      item.dataset.at = items.length;
      const button = document.createElement('button');
      button.type = 'button';
      button.addEventListener('click', () => chooseNode(Number(item.dataset.at)));
      item.appendChild(button);
      tryList.appendChild(item);
    }
    while (items.length > view.values.length) tryList.lastChild.remove();
    view.values.forEach((value, i) => {
      const text = i === view.hole ? 'hole' : String(value);
      const button = items[i].firstChild;
      if (button.textContent !== text) button.textContent = text;
      button.setAttribute('aria-pressed', String(i === trying.chosen));
      items[i].classList.toggle('chosen', i === trying.chosen);
      if (view.marked.includes(i)) items[i].setAttribute('aria-current', 'true');
      else items[i].removeAttribute('aria-current');
    });
  };
  const counted = (comparisons, moves) =>
    `${comparisons} comparison${comparisons === 1 ? '' : 's'}, ${moves} move${moves === 1 ? '' : 's'}`;

  // "Linked structure": drawn only while open, from the records sent.
  const structureView = byId('structure-view');
  const drawStructure = (records, marked, hole = -1) => {
    records.showNext = trying.on && hole < 0;
    const note = Module.heapViewStructure(byId('structure'), records, marked, hole,
      trying.on && asked && !asked.how);
    if (byId('structure-note').textContent !== note) byId('structure-note').textContent = note;
  };
  const redrawTried = () => {
    const view = trying.view;
    if (structureView.open && view) {
      view.structure.lifted = view.lifted && { value: view.liftedValue, marked: view.liftedMarked };
      drawStructure(view.structure, view.marked, view.hole);
    }
  };
  const updateStructureFeed = () => {
    page.showsStructure = structureView.open && !trying.on;
    if (!structureView.open || !running()) return;
    if (trying.on) {
      redrawTried();
    } else {
      program.watchStructure();
    }
  };
  structureView.addEventListener('toggle', updateStructureFeed);

  // Every frame the program draws in "Try it" comes here.
  const showTried = (view) => {
    trying.view = view;
    trying.frame = view.index;
    trying.count = view.count;
    if (trying.chosen >= view.values.length) trying.chosen = -1;
    renderList();
    drawMarks();
    redrawTried();
    const [comparisons, moves, allComparisons, allMoves] = view.counts;
    byId('counts').textContent = `Counts: this operation ${counted(comparisons, moves)}; ` +
      `in all ${counted(allComparisons, allMoves)}.`;
    timeline.max = String(view.count - 1);
    timeline.value = String(view.index);
    timeline.setAttribute('aria-valuetext', `frame ${view.index} of ${view.count - 1}`);
    byId('extract').textContent = view.max ? 'Extract max' : 'Extract min';
    kindSelect.value = view.max ? 'max' : 'min';
    const taken = byId('taken');
    taken.replaceChildren(...view.taken.map((value) => {
      const item = document.createElement('li');
      item.textContent = String(value);
      return item;
    }));
    updateTryLink();
    logStep(`Frame ${view.index}: ${view.sentence}`);
  };

  const updateTryLink = () => {
    const address = new URL(location.href);
    address.search = `?${program.link(trying.frame)}${askBox.checked ? '&ask=1' : ''}`;
    address.hash = '';
    byId('trylink').href = address.href;
  };
  const show = (frame) => program.tryShow(Math.max(0, Math.min(frame, trying.count - 1)));
  const setPlaying = (on) => {
    on &&= trying.frame < trying.count - 1;
    clearTimeout(trying.timer);
    trying.timer = null;
    playButton.textContent = on ? 'Pause' : 'Play';
    live.trying = on;
    updateLive();
    if (!on) return;
    const tick = () => {
      show(trying.frame + 1);
      if (trying.frame >= trying.count - 1) setPlaying(false);
      else trying.timer = setTimeout(tick, 250 / Number(speedSelect.value));
    };
    trying.timer = setTimeout(tick, 250 / Number(speedSelect.value));
  };
  const playing = () => trying.timer !== null;
  const goTo = (frame) => {
    setPlaying(false);
    show(frame);
  };

  // An operation runs on what shows; its first frame shows at once and the
  // rest play at the chosen speed.
  // With "Ask me first", an operation first asks where its item will settle
  // (a build: how many comparisons each way takes); the answer, checked and
  // scored by the program, then runs it from where it was asked.
  const runAction = (action) => {
    if (!running()) return;
    setPlaying(false);
    const run = [action, trying.frame, trying.chosen, Number(waySelect.value),
      Math.floor(Math.random() * 0x100000000)];
    asked = askBox.checked && program.ask(...run);
    byId('asking').hidden = !asked;
    if (asked) {
      asked.run = run;
      byId('question').textContent = asked.text;
      byId('newlast').hidden = action !== 'insert';
      byId('howmany').hidden = !asked.how;
      byId('verdict').textContent = '';
      byId(asked.how ? 'bottomup' : action === 'insert' ? 'newlast' : 'question').focus();
      redrawTried();
      return;
    }
    perform(run);
  };
  const answer = (verdict) => {
    const { run } = asked;
    asked = null;
    byId('asking').hidden = true;
    byId('verdict').textContent = verdict.text;
    byId('score').textContent = `Score: ${verdict.score}`;
    perform(run);
  };
  const perform = (run) => {
    if (!program.tryRun(...run)) return;
    trying.chosen = -1;
    byId('chosen').textContent = 'none (click a box or a list entry)';
    trying.count = program.frameCount();
    show(program.previousOperation(trying.count - 1));
    setPlaying(true);
  };
  for (const action of program.actions) {
    byId(action).addEventListener('click', () => runAction(action));
  }
  byId('newlast').addEventListener('click', () => chooseNode(trying.view.values.length));
  byId('answer').addEventListener('click', () => {
    const counts = ['bottomup', 'onebyone'].map((id) => byId(id).value.trim());
    if (counts.every((count) => /^\d{1,9}$/.test(count))) answer(program.check(...counts.map(Number)));
    else say('Give each way\'s count of comparisons as a whole number.');
  });
  byId('structure').addEventListener('click', (event) => {
    const node = event.target.closest('[data-position]');
    if (trying.on && node && trying.view) chooseNode(Number(node.dataset.position));
  });
  askBox.addEventListener('change', () => {
    asked = null;
    byId('asking').hidden = true;
    if (trying.view) updateTryLink();
    redrawTried();
  });
  kindSelect.addEventListener('change', () => {
    if (!running()) return;
    setPlaying(false);
    program.trySetKind(kindSelect.value === 'max', trying.frame);
    trying.chosen = -1;
    trying.count = program.frameCount();
    show(trying.count - 1);
  });
  const time = {
    start: () => goTo(0),
    previous: () => goTo(program.previousOperation(trying.frame)),
    back: () => goTo(trying.frame - 1),
    play: () => setPlaying(!playing()),
    forward: () => goTo(trying.frame + 1),
    next: () => goTo(program.nextOperation(trying.frame)),
    end: () => goTo(trying.count - 1),
  };
  for (const [id, go] of Object.entries(time)) {
    byId(id).addEventListener('click', () => { if (running()) go(); });
  }
  timeline.addEventListener('input', () => { if (running()) goTo(Number(timeline.value)); });

  // A press on the picture chooses the node whose box is under it.
  const chooseAt = (event) => {
    const box = canvas.getBoundingClientRect();
    const scale = side / canvas.clientWidth;
    const x = (event.clientX - box.left - canvas.clientLeft) * scale;
    const y = side - 1 - (event.clientY - box.top - canvas.clientTop) * scale;
    const position = program.positionAt(Math.floor(((x + 0.5) * side) / (side - 1)),
      Math.floor(((y + 0.5) * side) / (side - 1)));
    if (position >= 0 && trying.view && position < trying.view.values.length + (asked ? 1 : 0) &&
        position !== trying.view.hole) {
      chooseNode(position);
    }
  };
  // Keys in "Try it": those typed into a field stay there (Enter runs its
  // operation); Space on a button presses it.
  const field = (target) => target instanceof Element &&
    target.closest('input, select, textarea, [contenteditable]') !== null;
  const tryKey = (event) => {
    const node = event.target instanceof Element && event.target.closest('[data-position][role="button"]');
    if (node && (event.key === 'Enter' || event.key === ' ')) {
      event.preventDefault();
      if (running()) chooseNode(Number(node.dataset.position));
      return;
    }
    if (event.target === valueField && event.key === 'Enter') runAction('insert');
    else if (event.target === valuesField && event.key === 'Enter') runAction('build');
    if (field(event.target) || event.ctrlKey || event.metaKey || event.altKey) return;
    const go = { ArrowLeft: time.back, ArrowRight: time.forward, Home: time.start, End: time.end,
      ' ': time.play }[event.key];
    if (!go || (event.key === ' ' && event.target instanceof Element &&
        event.target.closest('button, a[href]'))) return;
    event.preventDefault();
    if (running()) go();
  };

  const setMode = (mode) => {
    const on = mode === 'try';
    byId(on ? 'mode-try' : 'mode-watch').checked = true;
    if (on === trying.on) return;
    trying.on = page.trying = live.tryOn = on;
    for (const id of ['watch-buttons', 'watch-controls', 'heap']) byId(id).hidden = on;
    for (const id of ['try-controls', 'tryheap']) byId(id).hidden = !on;
    setPlaying(false);
    drawMarks();
    if (running()) {
      program.setTrying(on);
      if (on) show(trying.frame);
    }
    updateStructureFeed();
  };
  for (const radio of document.querySelectorAll('input[name="mode"]')) {
    radio.addEventListener('change', () => setMode(radio.value));
  }
  connect({ tryFrame: showTried, say,
    structure: (records) => drawStructure(records, current >= 0 ? [current] : []) });

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
      // "Try it" has the keys and the picture to itself: none reach the program.
      if (trying.on) {
        if (type === 'keydown') tryKey(event);
        if (type === 'mousedown' && event.target === canvas && event.button === 0) chooseAt(event);
        event.stopImmediatePropagation();
        return;
      }
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
  Object.assign(Module, {
    canvas,
    // Before the program starts: the lesson link, and whether it opens "Try it".
    onRuntimeInitialized() {
      connect({ text: (name) => lesson.get(name) ?? null });
      setMode(program.tryOpen() || trying.on ? 'try' : 'watch');
      updateStructureFeed();
      connect({ text: (name) => (name === 'value' ? valueField.value
        : name === 'values' ? valuesField.value : null) });
    },
    print: (text) => { console.log(text); say(text); },
    printErr: (text) => { console.error(text); say(text); },
    onExit: (status) => {
      quit = true;
      stop(`Heap View has quit (status ${status}): the animation is stopped.`);
    },
    onAbort: (what) => stop(`Heap View stopped on an error: ${what}`),
  });

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
