// Alerts and action sheets presented over the page.

import { el } from "./dom.js";

export function cancelActionOf(modal) {
  return (modal.actions ?? []).find((a) => a.style === "cancel") ?? null;
}

// UIKit's placement: a two-button alert puts the cancel action on the left;
// stacked buttons and action sheets put it last.
function arrange(actions, style) {
  const cancel = actions.filter((a) => a.style === "cancel");
  const others = actions.filter((a) => a.style !== "cancel");
  if (style === "alert" && actions.length === 2) return { row: [...cancel, ...others], apart: [] };
  if (style === "actionSheet") return { row: others, apart: cancel };
  return { row: [...others, ...cancel], apart: [] };
}

function textFields(modal) {
  const box = el("div", "alert-fields");
  const inputs = (modal.textFields ?? []).map((field, i) => {
    const input = el("input", "alert-field");
    input.type = field.secure ? "password" : "text";
    input.placeholder = field.placeholder ?? "";
    input.value = field.text ?? "";
    input.autocomplete = "off";
    input.spellcheck = false;
    input.setAttribute("aria-label", field.placeholder || `Text field ${i + 1}`);
    input.dataset.testid = `alert-field-${i}`;
    box.append(input);
    return input;
  });
  return { box, inputs };
}

function actionButton(action, choose) {
  const button = el(
    "button",
    `alert-button style-${action.style ?? "default"}`,
    action.title ?? "",
  );
  button.type = "button";
  button.dataset.actionTitle = action.title ?? "";
  button.disabled = action.enabled === false;
  button.addEventListener("click", () => choose(action));
  return button;
}

function headerBlock(modal, ids, className) {
  const head = el("div", className);
  if (modal.title) {
    const title = el("h2", "alert-title", modal.title);
    title.id = ids.title;
    head.append(title);
  }
  if (modal.message) {
    const message = el("p", "alert-message", modal.message);
    message.id = ids.message;
    head.append(message);
  }
  return head;
}

let serial = 0;

// Builds the dialog; `post` sends the chosen action. Returns the dialog
// element, the element to focus first and a `cancel` for Escape and the
// backdrop (null when the modal has no cancel action).
export function createAlert(modal, post) {
  const ids = { title: `alert-title-${++serial}`, message: `alert-message-${serial}` };
  const style = modal.style === "actionSheet" ? "actionSheet" : "alert";
  const { box, inputs } = textFields(modal);
  const buttons = [];

  const choose = (action) => {
    if (buttons.some((b) => b.dataset.busy)) return;
    buttons.forEach((b) => (b.dataset.busy = "1"));
    const event = { event: "alert", button: action.title };
    if (inputs.length > 0) event.text = inputs.map((i) => i.value);
    Promise.resolve(post(event)).finally(() => buttons.forEach((b) => delete b.dataset.busy));
  };
  const make = (action) => {
    const button = actionButton(action, choose);
    buttons.push(button);
    return button;
  };

  const { row, apart } = arrange(modal.actions ?? [], style);
  const dialog = el("div", style === "alert" ? "alert" : "action-sheet");
  dialog.setAttribute("role", "alertdialog");
  dialog.setAttribute("aria-modal", "true");
  if (modal.title) dialog.setAttribute("aria-labelledby", ids.title);
  if (modal.message) dialog.setAttribute("aria-describedby", ids.message);

  if (style === "alert") {
    const content = headerBlock(modal, ids, "alert-content");
    if (inputs.length > 0) content.append(box);
    const layout = row.length === 2 ? "horizontal" : "vertical";
    const actions = el("div", `alert-actions ${layout}`);
    actions.append(...row.map(make));
    dialog.append(content, actions);
  } else {
    const group = el("div", "sheet-group");
    if (modal.title || modal.message) group.append(headerBlock(modal, ids, "sheet-header"));
    if (inputs.length > 0) group.append(box);
    group.append(...row.map(make));
    dialog.append(group);
    if (apart.length > 0) {
      const cancelGroup = el("div", "sheet-group sheet-cancel");
      cancelGroup.append(...apart.map(make));
      dialog.append(cancelGroup);
    }
  }

  // Return in a text field answers with the first non-cancel action.
  const preferred = (modal.actions ?? []).find((a) => a.style !== "cancel" && a.enabled !== false);
  for (const input of inputs) {
    input.addEventListener("keydown", (e) => {
      if (e.key === "Enter" && preferred) {
        e.preventDefault();
        choose(preferred);
      }
    });
  }

  const cancelAction = cancelActionOf(modal);
  // Focus a text field to type in, else the harmless choice, so a stray
  // Enter never confirms a destructive action.
  const cancelButton = buttons.find(
    (b) => cancelAction && b.dataset.actionTitle === cancelAction.title,
  );
  const focus = inputs[0] ?? cancelButton ?? buttons[0] ?? dialog;
  return {
    dialog,
    focus,
    cancel: cancelAction ? () => choose(cancelAction) : null,
  };
}
