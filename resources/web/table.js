// The page's table: rows split into sections at group rows, drawn in the
// page's table style; and the Settings app's own list below the bundle.

import { el, markRow } from "./dom.js";
import { createCell, isMovable } from "./cells.js";
import { attachReorder } from "./gestures.js";
import { createHeaderView, createPictureView, isHeaderRow, isPictureRow } from "./header.js";
import { rgbaCss, ACCENT } from "./colours.js";

const INSET_GROUPED = 2;
const SEPARATOR_NONE = 0;

export function splitSections(rows) {
  const sections = [];
  let current = null;
  for (const row of rows ?? []) {
    if (row.cell === "group") {
      current = { group: row, rows: [] };
      sections.push(current);
      continue;
    }
    if (!current) {
      current = { group: null, rows: [] };
      sections.push(current);
    }
    current.rows.push(row);
  }
  return sections;
}

function sectionHeader(group, ctx) {
  const header = el("div", "section-header");
  markRow(header, group);
  if (group.hidden) header.hidden = true;
  if (isHeaderRow(group)) {
    header.classList.add("section-header-view");
    header.append(createHeaderView(group, ctx.pageClass));
  } else if (isPictureRow(group)) {
    header.classList.add("section-header-view");
    header.append(createPictureView(group));
  } else if (group.title) {
    const title = el("h2", "section-title", group.title);
    title.id = `section-title-${group.index}`;
    header.append(title);
  }
  return header;
}

function sectionFooter(group) {
  const footer = el("p", "section-footer", group.footer);
  const align = group.footerAlignment;
  if (align === 1 || align === "1" || align === "center") footer.classList.add("centred");
  return footer;
}

// A drop reports the rows' own `row` numbers, as the table would.
function wireReorder(list, rows, ctx) {
  const movable = rows.filter(isMovable);
  if (movable.length < 2) return;
  const cells = () => [...list.querySelectorAll(":scope > .cell.movable")];
  for (const cell of cells()) {
    const handle = cell.querySelector(".reorder-handle");
    attachReorder(handle, cell, cells, (from, to) => {
      ctx.post({ event: "move", from: movable[from].row, to: movable[to].row });
    });
  }
}

function renderSection(section, ctx) {
  const node = el("section", "section");
  const { group, rows } = section;
  if (group) {
    const header = sectionHeader(group, ctx);
    node.append(header);
    const title = header.querySelector(".section-title");
    if (title) node.setAttribute("aria-labelledby", title.id);
  }
  if (rows.length > 0) {
    const list = el("div", "section-cells");
    for (const row of rows) list.append(createCell(row, ctx, group?.title ?? ""));
    wireReorder(list, rows, ctx);
    node.append(list);
  }
  if (group && typeof group.footer === "string" && group.footer !== "") {
    node.append(sectionFooter(group));
  }
  return node;
}

export function renderTable(container, page, ctx) {
  const table = el("div", "table");
  table.classList.add(page.tableStyle === INSET_GROUPED ? "inset" : "grouped");
  if (page.separatorStyle === SEPARATOR_NONE) table.classList.add("no-separators");
  for (const section of splitSections(page.rows)) table.append(renderSection(section, ctx));
  container.replaceChildren(table);
}

const BUNDLE_ICON =
  '<svg viewBox="0 0 29 29" aria-hidden="true" focusable="false">' +
  '<path d="M20.5 6.5c-5 1-9.5 5.5-11.5 13l-1 3 2-1.5c1-3 2.5-5 4.5-6.5-1 2-1.5 3.5-1.5 3.5 ' +
  '4-1 7.5-5 7.5-11.5z" fill="#fff"/></svg>';

export function renderSettingsList(container, ctx) {
  const table = el("div", "table inset settings-list");
  const section = el("section", "section");
  const list = el("div", "section-cells");
  const entry = el("div", "cell tappable settings-entry");
  entry.dataset.testid = "open-bundle";
  entry.dataset.focusKey = "open-bundle";
  entry.tabIndex = 0;
  entry.setAttribute("role", "button");
  entry.setAttribute("aria-label", "Quillane");
  const icon = el("span", "app-icon");
  icon.style.background = rgbaCss(ACCENT);
  icon.innerHTML = BUNDLE_ICON;
  const text = el("div", "cell-text");
  text.append(el("div", "cell-title", "Quillane"));
  const trailing = el("div", "cell-trailing");
  const chevron = el("span", "accessory chevron");
  chevron.innerHTML =
    '<svg viewBox="0 0 8 14" aria-hidden="true"><path d="M1.5 1.5 6.5 7l-5 5.5" fill="none" ' +
    'stroke="currentColor" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/></svg>';
  trailing.append(chevron);
  entry.append(icon, text, trailing);
  entry.addEventListener("click", () => ctx.post({ event: "open" }));
  entry.addEventListener("keydown", (e) => {
    if (e.key !== "Enter" && e.key !== " ") return;
    e.preventDefault();
    if (!e.repeat) ctx.post({ event: "open" });
  });
  list.append(entry);
  section.append(list);
  table.append(el("h1", "large-title", "Settings"), section);
  container.replaceChildren(table);
}
