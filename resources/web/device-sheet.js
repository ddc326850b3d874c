// The Device panel's sheet: its groups (the system version, the tweaks, the
// included modules in order and the others, a module of one's own), each
// drawn from the draft (device-model.js) and passing the user's edits to it.

import { el } from "./dom.js";
import { VERSION_HINT, VERSIONS } from "./device-model.js";

export function button(text, className, label) {
  const b = el("button", className, text);
  b.type = "button";
  if (label) b.setAttribute("aria-label", label);
  return b;
}

function group(titleText, id) {
  const section = el("section", "device-group");
  const title = el("h3", "device-group-title", titleText);
  title.id = id;
  section.setAttribute("aria-labelledby", id);
  section.append(title);
  return section;
}

function versionGroup(draft) {
  const section = group("System", "device-system");
  const row = el("div", "device-row");
  const label = el("label", "device-label", "iOS Version");
  label.htmlFor = "device-version";
  const input = el("input", "device-field device-version");
  Object.assign(input, {
    id: "device-version",
    value: draft.version(),
    inputMode: "decimal",
    autocomplete: "off",
    spellcheck: false,
  });
  input.setAttribute("list", "device-versions");
  input.setAttribute("aria-describedby", "device-version-hint");
  const versions = el("datalist");
  versions.id = "device-versions";
  for (const v of VERSIONS) versions.append(Object.assign(el("option"), { value: v }));
  const hint = el("p", "device-hint", VERSION_HINT);
  hint.id = "device-version-hint";
  input.addEventListener("input", () => {
    const problem = draft.setVersion(input.value);
    input.setAttribute("aria-invalid", String(Boolean(problem)));
    hint.textContent = problem ?? VERSION_HINT;
    hint.classList.toggle("device-hint-error", Boolean(problem));
  });
  row.append(label, input, versions);
  section.append(row, hint);
  return { section, input };
}

function tweaksGroup(draft, changed) {
  const section = group("Tweaks", "device-tweaks");
  const list = el("ul", "device-list");
  for (const tweak of draft.tweaks()) {
    const row = el("li", "device-row");
    const label = el("span", "device-label", tweak.title);
    label.id = `device-tweak-${tweak.name}`;
    const toggle = button(null, "switch device-switch");
    toggle.setAttribute("role", "switch");
    toggle.setAttribute("aria-checked", String(tweak.installed));
    toggle.setAttribute("aria-labelledby", label.id);
    toggle.dataset.tweak = tweak.name;
    toggle.append(el("span", "switch-knob"));
    toggle.addEventListener("click", () => {
      toggle.setAttribute("aria-checked", String(draft.toggleTweak(tweak.name)));
      changed();
    });
    row.append(label, toggle);
    list.append(row);
  }
  section.append(list);
  return section;
}

// `actions`: [title, data-action, class, onClick, disabled], one button each.
function moduleRow(module, actions) {
  const row = el("li", "device-row device-module");
  row.dataset.identifier = module.identifier;
  const text = el("span", "device-module-text");
  text.append(
    el("span", "device-label", module.displayName),
    el("span", "device-detail", module.identifier),
  );
  const buttons = el("span", "device-actions");
  for (const [title, action, className, onClick, disabled] of actions) {
    const b = button(title, `device-action ${className}`, `${title} ${module.displayName}`);
    b.dataset.action = action;
    b.disabled = Boolean(disabled);
    b.addEventListener("click", onClick);
    buttons.append(b);
  }
  row.append(text, buttons);
  return row;
}

const EMPTY = {
  enabled: "No modules are included.",
  more: "Every module is included.",
};

// The included modules in order, and the others; `say` announces a change,
// `focus` moves the keyboard to a control after the lists are redrawn.
function moduleGroups(draft, { say, focus }) {
  const enabledGroup = group("Included Modules", "device-enabled");
  const enabledList = el("ol", "device-list");
  enabledList.dataset.testid = "device-enabled";
  enabledGroup.append(enabledList);
  const moreGroup = group("More Modules", "device-more");
  const moreList = el("ul", "device-list");
  moreList.dataset.testid = "device-more";
  moreGroup.append(moreList);
  const control = (list, id, action) =>
    `[data-testid=device-${list}] [data-identifier="${CSS.escape(id)}"] [data-action="${action}"]`;

  // After an edit that did something (`said` tells what): the lists are
  // redrawn, and focus goes to the first of `targets` still there.
  function after(said, ...targets) {
    if (said === null) return;
    render();
    say(said);
    focus(...targets);
  }

  function includedRow(module, index) {
    const at = (action) => control("enabled", module.identifier, action);
    // Focus stays on the button pressed, or its partner at an end of the list.
    const up = () => after(draft.move(index, -1), at("up"), at("down"));
    const down = () => after(draft.move(index, 1), at("down"), at("up"));
    const remove = () => after(draft.remove(index), control("more", module.identifier, "add"));
    return moduleRow(module, [
      ["Move Up", "up", "", up, !module.canMoveUp],
      ["Move Down", "down", "", down, !module.canMoveDown],
      ["Remove", "remove", "device-remove", remove],
    ]);
  }

  function moreRow(module) {
    const id = module.identifier;
    const add = () => after(draft.add(id), control("enabled", id, "remove"));
    const remove = () => after(draft.deleteModule(id), "[data-testid=device-add-module]");
    const actions = [["Add", "add", "device-add", add]];
    if (module.deletable) actions.push(["Delete", "delete", "device-delete", remove]);
    return moduleRow(module, actions);
  }

  function render() {
    enabledList.replaceChildren(...draft.included().map(includedRow));
    moreList.replaceChildren(...draft.more().map(moreRow));
    for (const [list, empty] of [
      [enabledList, EMPTY.enabled],
      [moreList, EMPTY.more],
    ]) {
      if (list.childElementCount === 0) list.append(el("li", "device-row device-empty", empty));
    }
  }

  render();
  return { enabledGroup, moreGroup, render };
}

function addModuleGroup(draft, added) {
  const section = group("Add Module", "device-add");
  const reveal = button("Add Module…", "device-link");
  reveal.dataset.testid = "device-add-module";
  reveal.setAttribute("aria-expanded", "false");
  reveal.setAttribute("aria-controls", "device-add-form");
  const form = el("form", "device-form");
  Object.assign(form, { id: "device-add-form", hidden: true, noValidate: true });
  const error = el("p", "device-hint device-hint-error");
  error.id = "device-add-error";
  error.setAttribute("aria-live", "polite");
  const field = (labelText, id, placeholder) => {
    const row = el("div", "device-row");
    const label = el("label", "device-label", labelText);
    label.htmlFor = id;
    const input = el("input", "device-field");
    Object.assign(input, { id, placeholder, autocomplete: "off", spellcheck: false });
    input.setAttribute("aria-describedby", error.id);
    row.append(label, input);
    form.append(row);
    return input;
  };
  const identifier = field("Bundle Identifier", "device-identifier", "com.example.module");
  identifier.autocapitalize = "off";
  const displayName = field("Display Name", "device-name", "Module");
  const submit = button("Add", "device-submit");
  submit.type = "submit";
  submit.dataset.testid = "device-add-submit";
  form.append(error, submit);

  reveal.addEventListener("click", () => {
    form.hidden = !form.hidden;
    reveal.setAttribute("aria-expanded", String(!form.hidden));
    if (!form.hidden) identifier.focus();
  });
  form.addEventListener("submit", (e) => {
    e.preventDefault();
    const { problem, said } = draft.addModule(identifier.value, displayName.value);
    error.textContent = problem?.text ?? "";
    identifier.setAttribute("aria-invalid", String(problem?.field === "identifier"));
    displayName.setAttribute("aria-invalid", String(problem?.field === "name"));
    if (problem) {
      (problem.field === "name" ? displayName : identifier).focus();
      return;
    }
    identifier.value = "";
    displayName.value = "";
    added(said);
    identifier.focus();
  });
  section.append(reveal, form);
  return section;
}

// The groups of the sheet for `draft`; `say` announces a change, `focus`
// moves the keyboard to the first of some selectors that is shown.
export function sheetGroups(draft, { say, focus }) {
  const version = versionGroup(draft);
  const modules = moduleGroups(draft, { say, focus });
  const tweaks = tweaksGroup(draft, modules.render);
  const add = addModuleGroup(draft, (said) => {
    modules.render();
    say(said);
  });
  return {
    nodes: [version.section, tweaks, modules.enabledGroup, modules.moreGroup, add],
    versionInput: version.input,
  };
}
