// Small DOM and font helpers shared by the components.

export function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined && text !== null) node.textContent = text;
  return node;
}

// A file input kept out of sight: a button of our own opens it.
export function hiddenFileInput(accept, testid) {
  const input = el("input");
  input.type = "file";
  input.accept = accept;
  input.hidden = true;
  input.dataset.testid = testid;
  return input;
}

// A message of the server (which starts in lower case, to follow a colon) as
// a sentence of its own.
export function sentence(text) {
  return `${text.charAt(0).toUpperCase()}${text.slice(1)}`;
}

const WEIGHTS = {
  UltraLight: 200,
  Thin: 100,
  Light: 300,
  Regular: 400,
  Medium: 500,
  Semibold: 600,
  SemiBold: 600,
  Bold: 700,
  Heavy: 800,
  Black: 900,
};

const HELVETICA_STACK = '"Helvetica Neue", Helvetica, Arial, sans-serif';

// A platform font ({name: "HelveticaNeue-Light", size: 34}) as CSS font
// properties. System font names (".SFUI-…") fall back to the page font.
export function cssFont(font) {
  if (!font || typeof font !== "object") return null;
  const name = typeof font.name === "string" ? font.name : "";
  const [family, face = "Regular"] = name.split("-");
  const style = {};
  if (Number.isFinite(font.size) && font.size > 0) style.fontSize = `${font.size}px`;
  if (/^HelveticaNeue$/i.test(family)) style.fontFamily = HELVETICA_STACK;
  else if (family && !family.startsWith(".")) {
    const spaced = family.replace(/([a-z])([A-Z])/g, "$1 $2");
    style.fontFamily = `"${spaced}", var(--font-system)`;
  }
  const weight = Object.entries(WEIGHTS).find(([k]) => face.startsWith(k));
  if (weight) style.fontWeight = String(weight[1]);
  if (/Italic/.test(face)) style.fontStyle = "italic";
  return style;
}

export function applyFont(node, font) {
  const style = cssFont(font);
  if (style) Object.assign(node.style, style);
}

// Stable attributes that tests and focus restoring use to find a row.
export function markRow(node, row) {
  node.dataset.index = String(row.index);
  node.dataset.row = String(row.row);
  node.dataset.section = String(row.section);
  node.dataset.title = row.title ?? "";
  if (row.key) node.dataset.key = row.key;
  if (row.cellClass) node.dataset.cellClass = row.cellClass;
  node.dataset.cell = row.cell ?? "";
}
