// The preset tools on a narrow screen: a "Tools" button presents the panel as
// a sheet over everything else, which waits until Done, a tap beside the
// sheet or Escape, or until the screen is wide enough to show the panel
// beside the phone.

import { el } from "./dom.js";
import { button } from "./tools-parts.js";

// The sheet's title and Done, at the top of the panel while it is a sheet.
function sheetHead() {
  const head = el("div", "tools-sheet-head");
  const title = el("h2", "tools-sheet-title", "Preset Tools");
  title.id = "tools-sheet-title";
  const done = button("tools-sheet-done", "Done");
  head.append(title, done);
  return { head, done };
}

// `panel`: the tools' panel, in its workspace; `host`: where the "Tools"
// button goes; `wide`: the media query of the wide layout.
export function createToolsSheet(panel, { host, wide }) {
  const { head, done } = sheetHead();
  const opener = button("tools-open", "Tools", "Preset Tools");
  opener.hidden = true;
  opener.setAttribute("aria-haspopup", "dialog");
  host?.append(opener);
  const backdrop = el("div", "tools-backdrop");
  backdrop.hidden = true;
  document.body.append(backdrop);
  // Everything but the sheet waits; the workspace holds the sheet, so its
  // other panels wait one by one.
  const behind = () => [
    ...[...document.body.children].filter((n) => n !== panel.parentElement && n !== backdrop),
    ...panel.parentElement.children,
  ];
  const isOpen = () => document.body.dataset.toolsSheet === "open";

  function open() {
    document.body.dataset.toolsSheet = "open";
    panel.setAttribute("role", "dialog");
    panel.setAttribute("aria-modal", "true");
    panel.setAttribute("aria-labelledby", "tools-sheet-title");
    for (const node of behind()) if (node !== panel) node.inert = true;
    backdrop.hidden = false;
    done.focus();
  }

  function close() {
    if (!isOpen()) return;
    delete document.body.dataset.toolsSheet;
    panel.setAttribute("role", "complementary");
    panel.removeAttribute("aria-modal");
    panel.removeAttribute("aria-labelledby");
    for (const node of behind()) node.inert = false;
    backdrop.hidden = true;
    if (!opener.hidden) opener.focus();
  }

  opener.addEventListener("click", open);
  done.addEventListener("click", close);
  backdrop.addEventListener("click", close);
  // Escape closes the sheet before anything behind it hears the key (a trial
  // in the picture would end), unless the import sheet over it takes it.
  document.addEventListener(
    "keydown",
    (e) => {
      if (e.key !== "Escape" || !isOpen() || document.querySelector("dialog[open]")) return;
      e.preventDefault();
      close();
    },
    true,
  );
  wide.addEventListener?.("change", close);

  return {
    head,
    close,
    // The "Tools" button is there only while the tools are.
    setAvailable(available) {
      opener.hidden = !available;
      if (!available) close();
    },
  };
}
