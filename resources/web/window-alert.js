// A question of the host's own (not the bundle's), as the phone draws an
// alert, over the whole window: a title, a message, Cancel and one action.
// Escape and Cancel answer no; focus starts on Cancel, so a stray Enter
// never confirms a destructive action.

import { el } from "./dom.js";

let serial = 0;

// Resolves true when the user chose `action`, false otherwise (`cancel`
// names the other button). A second question while one is up is answered no
// at once.
export function askInWindow({
  title,
  message,
  action,
  cancel: cancelTitle = "Cancel",
  destructive = false,
  testid = null,
}) {
  if (document.querySelector(".window-alert[open]")) return Promise.resolve(false);
  const ids = {
    title: `window-alert-title-${++serial}`,
    message: `window-alert-message-${serial}`,
  };
  const dialog = el("dialog", "alert window-alert");
  dialog.setAttribute("role", "alertdialog");
  dialog.setAttribute("aria-labelledby", ids.title);
  dialog.setAttribute("aria-describedby", ids.message);
  if (testid) dialog.dataset.testid = testid;
  const content = el("div", "alert-content");
  const heading = el("h2", "alert-title", title);
  heading.id = ids.title;
  const text = el("p", "alert-message", message);
  text.id = ids.message;
  content.append(heading, text);
  const actions = el("div", "alert-actions horizontal");
  const cancel = el("button", "alert-button style-cancel", cancelTitle);
  const confirm = el("button", `alert-button ${destructive ? "style-destructive" : ""}`, action);
  for (const [b, title] of [
    [cancel, cancelTitle],
    [confirm, action],
  ]) {
    b.type = "button";
    b.dataset.actionTitle = title;
  }
  actions.append(cancel, confirm);
  dialog.append(content, actions);
  document.body.append(dialog);

  return new Promise((resolve) => {
    const finish = (answer) => {
      dialog.close();
      dialog.remove();
      resolve(answer);
    };
    // Escape answers here, so nothing behind the alert hears it.
    dialog.addEventListener("keydown", (e) => {
      if (e.key !== "Escape") return;
      e.preventDefault();
      e.stopPropagation();
      finish(false);
    });
    dialog.addEventListener("cancel", (e) => e.preventDefault());
    cancel.addEventListener("click", () => finish(false));
    confirm.addEventListener("click", () => finish(true));
    dialog.showModal();
    cancel.focus();
  });
}
