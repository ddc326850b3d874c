// Row gestures: tap, long press (as the colour rows' 1.0 s recogniser) and
// drag to reorder.

const LONG_PRESS_MS = 1000;
// As UIKit's allowable movement: a press that wanders before it is
// recognised is a scroll or a slip, neither a tap nor a long press.
const MOVE_SLOP = 10;
const CHANGED_INTERVAL_MS = 100;

// handlers: onTap() and onLongPress(phase), either may be null; phase is
// "began", "changed", "ended", or null for a whole press from the keyboard.
export function attachPress(node, { onTap, onLongPress }) {
  let press = null;
  let suppressClick = false;

  // The press is followed on the window: the screen that answers "began"
  // may redraw the table and take this row's element away mid-press.
  const onMove = (e) => {
    if (!press || e.pointerId !== press.id) return;
    if (press.long) {
      const now = performance.now();
      if (now - press.lastChanged < CHANGED_INTERVAL_MS) return;
      press.lastChanged = now;
      onLongPress("changed");
      return;
    }
    if (Math.hypot(e.clientX - press.x, e.clientY - press.y) > MOVE_SLOP) {
      suppressClick = true;
      finish();
    }
  };
  const onUp = (e) => {
    if (!press || e.pointerId !== press.id) return;
    const wasLong = press.long;
    if (e.type === "pointercancel") suppressClick = true;
    finish();
    if (wasLong) onLongPress("ended");
    // The click that follows this release comes in the same task; a release
    // elsewhere brings none, and the next click must not be swallowed.
    setTimeout(() => (suppressClick = false), 0);
  };

  function finish() {
    if (!press) return;
    if (press.timer) clearTimeout(press.timer);
    press = null;
    node.classList.remove("pressed");
    window.removeEventListener("pointermove", onMove, true);
    window.removeEventListener("pointerup", onUp, true);
    window.removeEventListener("pointercancel", onUp, true);
  }

  node.addEventListener("pointerdown", (e) => {
    if (!e.isPrimary || e.button !== 0 || e.target.closest(".no-press")) return;
    finish();
    suppressClick = false;
    press = {
      id: e.pointerId,
      x: e.clientX,
      y: e.clientY,
      long: false,
      timer: null,
      lastChanged: 0,
    };
    node.classList.add("pressed");
    window.addEventListener("pointermove", onMove, true);
    window.addEventListener("pointerup", onUp, true);
    window.addEventListener("pointercancel", onUp, true);
    if (!onLongPress) return;
    press.timer = setTimeout(() => {
      if (!press) return;
      press.timer = null;
      press.long = true;
      suppressClick = true;
      onLongPress("began");
    }, LONG_PRESS_MS);
  });

  // Taps come through click so that assistive technology, which clicks
  // without pointer events, reaches them too.
  node.addEventListener("click", (e) => {
    if (e.target.closest(".no-press")) return;
    if (suppressClick) {
      suppressClick = false;
      return;
    }
    onTap?.();
  });

  node.addEventListener("contextmenu", (e) => {
    if (onLongPress) e.preventDefault();
  });

  node.addEventListener("keydown", (e) => {
    if (e.target !== node) return;
    const menuKey = e.key === "ContextMenu" || (e.shiftKey && e.key === "F10");
    if (menuKey && onLongPress) {
      e.preventDefault();
      onLongPress(null);
    } else if (e.key === "Enter" && !e.repeat && onTap) {
      e.preventDefault();
      onTap();
    } else if (e.key === " ") {
      e.preventDefault();
    }
  });
  node.addEventListener("keyup", (e) => {
    if (e.target === node && e.key === " " && onTap) onTap();
  });
}

function midpoint(rect) {
  return rect.top + rect.height / 2;
}

// Where a row dragged from `from` by `dy` pixels lands among `rects`.
function dropPosition(rects, from, dy) {
  const centre = midpoint(rects[from]) + dy;
  let to = from;
  for (let i = from + 1; i < rects.length; i++) if (centre > midpoint(rects[i])) to = i;
  for (let i = from - 1; i >= 0; i--) if (centre < midpoint(rects[i])) to = i;
  return to;
}

function shiftSiblings(cells, from, to, height) {
  cells.forEach((cell, i) => {
    let shift = 0;
    if (from < to && i > from && i <= to) shift = -height;
    if (from > to && i < from && i >= to) shift = height;
    if (i !== from) cell.style.transform = shift ? `translateY(${shift}px)` : "";
  });
}

// Drag to reorder within one list. `cells()` gives the movable rows in order;
// onMove(fromPosition, toPosition) reports a drop that changed the order.
export function attachReorder(handle, cell, cells, onMove) {
  let drag = null;

  const end = (commit) => {
    if (!drag) return;
    const { from, to, list } = drag;
    drag = null;
    cell.classList.remove("dragging");
    list.forEach((c) => (c.style.transform = ""));
    if (!commit || from === to) return;
    // Show the new order at once; the server's answer redraws it anyway.
    const anchor = to > from ? list[to].nextSibling : list[to];
    list[to].parentNode.insertBefore(cell, anchor);
    onMove(from, to);
  };

  handle.addEventListener("pointerdown", (e) => {
    if (!e.isPrimary || e.button !== 0) return;
    e.preventDefault();
    e.stopPropagation();
    const list = cells();
    const from = list.indexOf(cell);
    if (from < 0) return;
    handle.setPointerCapture(e.pointerId);
    const rects = list.map((c) => c.getBoundingClientRect());
    drag = { id: e.pointerId, y: e.clientY, from, to: from, list, rects };
    cell.classList.add("dragging");
  });
  handle.addEventListener("pointermove", (e) => {
    if (!drag || e.pointerId !== drag.id) return;
    const dy = e.clientY - drag.y;
    drag.to = dropPosition(drag.rects, drag.from, dy);
    cell.style.transform = `translateY(${dy}px)`;
    shiftSiblings(drag.list, drag.from, drag.to, drag.rects[drag.from].height);
  });
  handle.addEventListener("pointerup", (e) => {
    if (drag && e.pointerId === drag.id) end(true);
  });
  handle.addEventListener("pointercancel", () => end(false));
  handle.addEventListener("click", (e) => e.stopPropagation());

  handle.addEventListener("keydown", (e) => {
    if (e.key !== "ArrowUp" && e.key !== "ArrowDown") return;
    e.preventDefault();
    e.stopPropagation();
    const list = cells();
    const from = list.indexOf(cell);
    const to = from + (e.key === "ArrowUp" ? -1 : 1);
    if (from < 0 || to < 0 || to >= list.length) return;
    onMove(from, to);
  });
}
