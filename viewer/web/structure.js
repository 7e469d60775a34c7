// SPDX-License-Identifier: MIT
// The "Linked structure" view: the heap's nodes and their real links, drawn
// as SVG from the node records the program sends (see TryPage.h): each
// node's leftChild, rightChild and parent, the prev/next thread in level
// order, and where root and last point. Offered to page.js as
// Module.heapViewStructure(svg, records, marked, hole).
'use strict';
{
  const ns = 'http://www.w3.org/2000/svg';
  const width = 640;
  const rowHeight = 64;
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
    return { x: ((i - first + 0.5) * width) / 2 ** depth, y: 26 + depth * rowHeight };
  };
  const kinds = ['parent', 'left', 'right', 'prev', 'next'];
  Module.heapViewStructure = (svg, records, marked = [], hole = -1) => {
    const { nodes } = records;
    const depth = Math.floor(Math.log2(nodes.length + 1)) + 1;
    svg.setAttribute('viewBox', `0 0 ${width} ${depth * rowHeight + 18}`);
    const parts = [make('defs', {})];
    parts[0].appendChild(make('marker', { id: 'arrow', viewBox: '0 0 8 8', refX: 8, refY: 4,
      markerWidth: 6, markerHeight: 6, orient: 'auto-start-reverse' }))
      .appendChild(make('path', { d: 'M0,0 L8,4 L0,8 z' }));
    nodes.forEach((record, i) => {
      const from = place(i);
      record.slice(1).forEach((to, k) => {
        if (to < 0) return;
        const end = place(to);
        const kind = kinds[k];
        // Child links go down from the box's foot, parent links up beside
        // them; the thread runs along the row, or round to the next row.
        const shift = kind === 'parent' ? 6 : kind === 'prev' ? -4 : kind === 'next' ? 4 : 0;
        const down = kind === 'left' || kind === 'right';
        const line = make('line', {
          x1: from.x + (kind === 'parent' ? shift : 0), y1: from.y + (down ? 12 : kind === 'parent' ? -12 : shift),
          x2: end.x + (kind === 'parent' ? shift : 0), y2: end.y + (down ? -12 : kind === 'parent' ? 12 : shift),
          class: `link ${kind}`, 'data-from': i, 'data-to': to, 'data-link': kind,
          'marker-end': 'url(#arrow)',
        });
        parts.push(line);
      });
    });
    nodes.forEach(([value], i) => {
      const at = place(i);
      const group = make('g', { class: `node${marked.includes(i) ? ' marked' : ''}${i === hole ? ' hole' : ''}`,
        'data-position': i });
      group.appendChild(make('rect', { x: at.x - 20, y: at.y - 12, width: 40, height: 24, rx: 3 }));
      group.appendChild(make('text', { x: at.x, y: at.y + 4, 'text-anchor': 'middle' },
        i === hole ? 'hole' : String(value)));
      group.appendChild(make('text', { x: at.x + 22, y: at.y - 8, class: 'position' }, `#${i}`));
      if (i === records.root) group.appendChild(make('text', { x: at.x - 22, y: at.y - 14, 'text-anchor': 'end', class: 'pointer' }, 'root'));
      if (i === records.last) group.appendChild(make('text', { x: at.x, y: at.y + 24, 'text-anchor': 'middle', class: 'pointer' }, 'last'));
      parts.push(group);
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
        const from = place(at);
        const to = place(nodes.length);
        parts.push(make('path', { d: `M${from.x},${from.y + 12} L${to.x},${to.y - 12}`,
          class: 'ghost', 'marker-end': 'url(#arrow)' }));
        const ghost = make('g', { class: 'node ghost', 'data-position': records.count });
        ghost.appendChild(make('rect', { x: to.x - 20, y: to.y - 12, width: 40, height: 24, rx: 3 }));
        ghost.appendChild(make('text', { x: to.x, y: to.y + 4, 'text-anchor': 'middle' }, 'new'));
        parts.push(ghost);
        parts.push(make('text', { x: 4, y: depth * rowHeight + 14, class: 'how' },
          `Next insert: ${how}.`));
      }
    }
    svg.replaceChildren(...parts);
    const left = records.count - nodes.length;
    return left > 0 ? `The first ${nodes.length} of ${records.count} nodes; ${left} more not drawn` +
      (records.last === -2 ? ', last among them.' : '.') : `All ${records.count} nodes.`;
  };
}
