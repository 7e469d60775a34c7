// SPDX-License-Identifier: MIT
// The "Linked structure" view: the heap's nodes and their real links, drawn
// as SVG from the node records the program sends (see TryPage.h): each
// node's leftChild, rightChild and parent, the prev/next thread in level
// order, and where root and last point. Offered to page.js as
// Module.heapViewStructure(svg, records, marked, hole, choosing), where
// records may also say where the next insert goes (showNext) and what the
// hole's item is (lifted: { value, marked }).
'use strict';
{
  const ns = 'http://www.w3.org/2000/svg';
  const [width, margin, rowHeight] = [800, 24, 80];
  const [boxWidth, boxHeight] = [38, 34];
  const [halfWidth, halfHeight] = [boxWidth / 2, boxHeight / 2];
  const make = (name, attributes, text) => {
    const element = document.createElementNS(ns, name);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    if (text !== undefined) element.textContent = text;
    return element;
  };
  // Where the i-th node along next sits: rows by level, evenly spread.
  const place = (i) => {
    const depth = Math.floor(Math.log2(i + 1));
    const first = 2 ** depth - 1;
    return { x: margin + ((i - first + 0.5) * width) / 2 ** depth, y: 30 + depth * rowHeight };
  };
  const kinds = ['parent', 'left', 'right', 'prev', 'next'];
  const names = ['parent', 'left child', 'right child', 'prev', 'next'];
  // An arrow's path: child links from the box's foot to the child's head,
  // parent links back up beside them. The thread runs between neighbours in
  // a row, next above prev; from a row's end to the next row's start it
  // takes a lane between the rows, prev's lane round next's.
  const route = (kind, from, to) => {
    if (kind === 'left' || kind === 'right') {
      return `M${from.x - 5},${from.y + halfHeight}L${to.x - 5},${to.y - halfHeight}`;
    }
    if (kind === 'parent') return `M${from.x + 5},${from.y - halfHeight}L${to.x + 5},${to.y + halfHeight}`;
    const next = kind === 'next';
    const [a, b] = next ? [from, to] : [to, from];
    const off = next ? -6 : 6;
    let points;
    if (a.y === b.y) {
      points = [[a.x + halfWidth, a.y + off], [b.x - halfWidth, b.y + off]];
    } else {
      const [right, left, lane] = [a.x + halfWidth + 12 + off, b.x - halfWidth - 12 - off,
        a.y + rowHeight / 2 + off];
      points = [[a.x + halfWidth, a.y + off], [right, a.y + off], [right, lane], [left, lane],
        [left, b.y + off], [b.x - halfWidth, b.y + off]];
    }
    if (!next) points.reverse();
    return `M${points.join('L')}`;
  };
  const describe = (records, record, i, hole) => {
    const links = record.slice(1).map((to, k) => (to === -1 ? '' : `, ${names[k]} ` +
      (to === -2 ? 'not drawn' : `#${to}`))).join('');
    return `#${i}: ${i === hole ? 'hole' : record[0]}${i === records.root ? ', root' : ''}` +
      `${i === records.last ? ', last' : ''}${links}`;
  };
  // The item lifted out of the hole, as on the picture: a tag over the hole.
  const showLifted = (svg, lifted, hole) => {
    svg.querySelector('.lifted')?.remove();
    if (!lifted) return;
    const at = hole >= 0 ? place(hole) : { x: margin + 40, y: 24 };
    svg.appendChild(make('text', { x: at.x, y: at.y - halfHeight - 4,
      class: `lifted${lifted.marked ? ' marked' : ''}` }, `lifted: ${lifted.value}`));
  };
  // What is drawn now, so that a frame that changes only values and marks
  // (every "Watch" step once the heap is full) touches just those.
  let drawn = { key: null, groups: [] };
  Module.heapViewStructure = (svg, records, marked = [], hole = -1, choosing = false) => {
    const { nodes } = records;
    const left = records.count - nodes.length;
    const note = left > 0 ? `The first ${nodes.length} of ${records.count} nodes; ${left} more not drawn` +
      (records.last === -2 ? ', last among them.' : '.') : `All ${records.count} nodes.`;
    const key = JSON.stringify([records.showNext && records.count, records.root, records.last,
      hole, choosing, nodes.map((record) => record.slice(1))]);
    if (svg === drawn.svg && key === drawn.key) {
      drawn.groups.forEach((group, i) => {
        const text = String(nodes[i][0]);
        if (i !== hole && group.lastChild.textContent !== text) {
          group.lastChild.textContent = text;
          group.setAttribute('aria-label', describe(records, nodes[i], i, hole));
        }
        group.classList.toggle('marked', marked.includes(i));
      });
      showLifted(svg, records.lifted, hole);
      return note;
    }
    // The rows drawn, and one more where the next insert's node may show.
    const depth = Math.floor(Math.log2(Math.max(records.showNext ? nodes.length : nodes.length - 1, 0) + 1)) + 1;
    svg.setAttribute('viewBox', `0 0 ${width + 2 * margin} ${depth * rowHeight + 24}`);
    const parts = [make('defs', {})];
    parts[0].appendChild(make('marker', { id: 'arrow', viewBox: '0 0 8 8', refX: 8, refY: 4,
      markerWidth: 6, markerHeight: 6, orient: 'auto-start-reverse' }))
      .appendChild(make('path', { d: 'M0,0 L8,4 L0,8 z' }));
    nodes.forEach((record, i) => {
      record.slice(1).forEach((to, k) => {
        if (to < 0) return;
        parts.push(make('path', { d: route(kinds[k], place(i), place(to)),
          class: `link ${kinds[k]}`, 'data-from': i, 'data-to': to, 'data-link': kinds[k],
          'marker-end': 'url(#arrow)' }));
      });
    });
    // A node is read as its sentence; while a question waits for a node,
    // each is a button too, so the keyboard can answer here.
    const node = (at, position, text, label, extra) => {
      const group = make('g', { class: `node${extra}`, 'data-position': position,
        'aria-label': label, ...(choosing ? { role: 'button', tabindex: 0 } : { role: 'img' }) });
      group.appendChild(make('rect', { x: at.x - halfWidth, y: at.y - halfHeight,
        width: boxWidth, height: boxHeight, rx: 3 }));
      group.appendChild(make('text', { x: at.x, y: at.y - 5, class: 'position' },
        `#${position}`));
      group.appendChild(make('text', { x: at.x, y: at.y + 12 }, text));
      parts.push(group);
      return group;
    };
    const groups = nodes.map((record, i) => {
      const at = place(i);
      if (i === records.root) parts.push(make('text', { x: at.x - halfWidth - 4, y: at.y - 10, class: 'pointer root' }, 'root →'));
      if (i === records.last) parts.push(make('text', { x: at.x, y: at.y + halfHeight + 13, class: 'pointer' }, 'last ↑'));
      return node(at, i, i === hole ? 'hole' : String(record[0]), describe(records, record, i, hole),
        `${marked.includes(i) ? ' marked' : ''}${i === hole ? ' hole' : ''}`);
    });
    // Where the next insert hangs its node, found as the heap finds it:
    // from last, its parent, and that parent's successor when it is full.
    const last = records.last;
    if (records.showNext && last >= 0 && nodes.length < 31 && nodes.length === records.count) {
      const parent = nodes[last][1];
      let at = -1;
      let how;
      if (parent < 0) {
        [at, how] = [last, `last (#${last}) is the root: the new node is its left child`];
      } else if (nodes[parent][3] < 0) {
        [at, how] = [parent, `last (#${last}) is a left child: the new node is the right child ` +
          `of its parent #${parent}`];
      } else if (nodes[parent][5] >= 0) {
        at = nodes[parent][5];
        how = `last (#${last}) is a right child: its parent #${parent}'s successor #${at} ` +
          'takes the new node as its left child';
      }
      if (at >= 0) {
        parts.push(make('path', { d: route('left', place(at), place(nodes.length)),
          class: 'ghost', 'marker-end': 'url(#arrow)' }));
        node(place(nodes.length), records.count, 'new', `#${records.count}: the next insert's ` +
          `new node. ${how}`, ' ghost');
        parts.push(make('text', { x: margin, y: depth * rowHeight + 20, class: 'how' },
          `Next insert: ${how}.`));
      }
    }
    svg.replaceChildren(...parts);
    showLifted(svg, records.lifted, hole);
    drawn = { svg, key, groups };
    return note;
  };
}
