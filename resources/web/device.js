// The Device panel: what the simulated device holds (its iOS version, the
// tweaks installed, the Control Center modules enabled and their order). It
// edits a copy and sends it whole with Done; the server changes the device's
// files, and the pages and the picture follow them as on a phone.

import { el } from "./dom.js";

const VERSIONS = ["12.4", "13.0", "13.7", "14.4", "14.8", "15.1.1", "15.7", "16.6", "17.4"];
// As the server checks: iOS 11 to 17, the years of Control Center modules.
const VERSION_FORM = /^(1[1-7])\.(0|[1-9][0-9]?)(\.(0|[1-9][0-9]?))?$/;
const VERSION_HINT = "From 11.0 to 17.x. The settings look different from 13.0 on.";
const IDENTIFIER_FORM = /^[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+$/;
const MAX_IDENTIFIER = 155;
const MAX_NAME = 64;

export function versionProblem(text) {
  return VERSION_FORM.test(text)
    ? null
    : "Enter an iOS version from 11.0 to 17.x, like 14.4 or 15.1.1.";
}

export function moduleProblem(identifier, name, taken) {
  if (identifier.length > MAX_IDENTIFIER)
    return `A bundle identifier has at most ${MAX_IDENTIFIER} characters.`;
  if (!IDENTIFIER_FORM.test(identifier))
    return "Use letters, digits and hyphens in two or more parts separated by dots, like com.example.module.";
  if (taken.has(identifier.toLowerCase()))
    return "A module with this bundle identifier is already on the device.";
  if (!name.trim()) return "Enter a display name.";
  if ([...name].length > MAX_NAME) return `A display name has at most ${MAX_NAME} characters.`;
  // eslint-disable-next-line no-control-regex
  if (/[\u0000-\u001f]/.test(name)) return "A display name cannot hold control characters.";
  return null;
}

// ---- the edited profile ------------------------------------------------

// Every module the panel can show: the device's, and those of the tweaks it
// knows, which may be switched on before they are installed.
function knownModules(draft) {
  const known = new Map();
  for (const m of draft.modules) known.set(m.identifier, m);
  for (const t of draft.tweaks) {
    if (t.module && !known.has(t.module.identifier))
      known.set(t.module.identifier, { ...t.module, kind: "tweak", tweak: t.name });
  }
  return known;
}

// What the user may include now: stock and custom modules, and those of the
// tweaks switched on.
function availableIds(draft) {
  const on = new Set(draft.tweaks.filter((t) => t.installed).map((t) => t.name));
  return [...knownModules(draft).values()]
    .filter((m) => m.kind !== "tweak" || on.has(m.tweak))
    .map((m) => m.identifier);
}

// ---- pieces of the sheet -----------------------------------------------

function button(text, className, label) {
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
    value: draft.systemVersion,
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
    draft.systemVersion = input.value.trim();
    const problem = versionProblem(draft.systemVersion);
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
  for (const tweak of draft.tweaks) {
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
      tweak.installed = !tweak.installed;
      toggle.setAttribute("aria-checked", String(tweak.installed));
      // A removed tweak takes its module out of Control Center.
      const ids = new Set(availableIds(draft));
      draft.enabled = draft.enabled.filter((id) => ids.has(id));
      changed();
    });
    row.append(label, toggle);
    list.append(row);
  }
  section.append(list);
  return section;
}

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

  function move(index, step) {
    const list = draft.enabled;
    const id = list[index];
    [list[index], list[index + step]] = [list[index + step], list[index]];
    render();
    say(`${nameOf(id)} moved to position ${index + step + 1} of ${list.length}.`);
    // Focus stays on the button pressed, or its partner at an end of the list.
    const [same, other] = step < 0 ? ["up", "down"] : ["down", "up"];
    focus(control("enabled", id, same), control("enabled", id, other));
  }

  function nameOf(id) {
    return knownModules(draft).get(id)?.displayName ?? id;
  }

  function render() {
    const known = knownModules(draft);
    const last = draft.enabled.length - 1;
    enabledList.replaceChildren(
      ...draft.enabled.map((id, index) =>
        moduleRow(known.get(id) ?? { identifier: id, displayName: id }, [
          ["Move Up", "up", "", () => move(index, -1), index === 0],
          ["Move Down", "down", "", () => move(index, 1), index === last],
          [
            "Remove",
            "remove",
            "device-remove",
            () => {
              draft.enabled.splice(index, 1);
              render();
              say(`${nameOf(id)} removed from Control Center.`);
              focus(control("more", id, "add"));
            },
          ],
        ]),
      ),
    );
    const included = new Set(draft.enabled);
    const more = availableIds(draft)
      .filter((id) => !included.has(id))
      .map((id) => known.get(id))
      .sort((a, b) => a.displayName.localeCompare(b.displayName));
    moreList.replaceChildren(
      ...more.map((module) => {
        const id = module.identifier;
        const actions = [
          [
            "Add",
            "add",
            "device-add",
            () => {
              draft.enabled.push(id);
              render();
              say(`${module.displayName} added to Control Center.`);
              focus(control("enabled", id, "remove"));
            },
          ],
        ];
        // Only a module of one's own leaves the device: its bundle goes.
        if (module.kind === "custom")
          actions.push([
            "Delete",
            "delete",
            "device-delete",
            () => {
              draft.modules = draft.modules.filter((m) => m.identifier !== id);
              render();
              say(`${module.displayName} will be deleted from the device.`);
              focus("[data-testid=device-add-module]");
            },
          ]);
        return moduleRow(module, actions);
      }),
    );
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
    const id = identifier.value.trim();
    const name = displayName.value.trim();
    const taken = new Set([...knownModules(draft).keys()].map((k) => k.toLowerCase()));
    const problem = moduleProblem(id, name, taken);
    const nameBad = Boolean(problem?.includes("display name"));
    error.textContent = problem ?? "";
    identifier.setAttribute("aria-invalid", String(Boolean(problem) && !nameBad));
    displayName.setAttribute("aria-invalid", String(nameBad));
    if (problem) {
      (nameBad ? displayName : identifier).focus();
      return;
    }
    draft.modules.push({ identifier: id, displayName: name, kind: "custom" });
    // A module one adds is one to see.
    draft.enabled.push(id);
    identifier.value = "";
    displayName.value = "";
    added(name);
    identifier.focus();
  });
  section.append(reveal, form);
  return section;
}

function sheetFrame() {
  const sheet = el("section", "device-sheet");
  sheet.setAttribute("role", "dialog");
  sheet.setAttribute("aria-modal", "true");
  sheet.setAttribute("aria-labelledby", "device-title");
  sheet.dataset.testid = "device-panel";
  const bar = el("header", "device-head");
  const cancel = button("Cancel", "device-bar-button");
  cancel.dataset.testid = "device-cancel";
  const title = el("h2", "device-title", "Device");
  title.id = "device-title";
  const done = button("Done", "device-bar-button device-done");
  done.dataset.testid = "device-done";
  bar.append(cancel, title, done);
  const error = el("p", "device-error");
  error.setAttribute("role", "alert");
  error.dataset.testid = "device-error";
  const status = el("p", "device-status");
  status.setAttribute("role", "status");
  const body = el("div", "device-body");
  sheet.append(bar, error, body, status);
  return { sheet, cancel, done, error, status, body };
}

// Focus stays within the panel while it is up; Escape cancels. The page's
// own dialog keeping (a picker may be open under the panel) must not act.
function keepKeyboard(sheet, cancel) {
  sheet.addEventListener("keydown", (e) => {
    if (e.key !== "Escape" && e.key !== "Tab") return;
    e.stopPropagation();
    if (e.key === "Escape") {
      e.preventDefault();
      cancel();
      return;
    }
    const items = [
      ...sheet.querySelectorAll("button:not([disabled]), input:not([disabled])"),
    ].filter((n) => n.offsetParent !== null);
    const first = items[0];
    const last = items[items.length - 1];
    if (e.shiftKey && document.activeElement === first) {
      e.preventDefault();
      last.focus();
    } else if (!e.shiftKey && document.activeElement === last) {
      e.preventDefault();
      first.focus();
    }
  });
}

async function sendDevice(draft) {
  try {
    const response = await fetch("/api/device", {
      method: "PUT",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(draft),
    });
    if (response.ok) return null;
    const answer = await response.json().catch(() => null);
    return answer?.error || `The server answered ${response.status}.`;
  } catch {
    return "The settings host cannot be reached.";
  }
}

// ---- the panel -----------------------------------------------------------

export function attachDevicePanel(panel) {
  const head = panel.querySelector(".cc-toolbar-head");
  if (!head) return null;
  const opener = button("Device", "cc-find device-open");
  opener.dataset.testid = "device-open";
  opener.setAttribute("aria-haspopup", "dialog");
  head.append(opener);
  let layer = null;
  let hidden = []; // what the panel made inert

  function close() {
    if (!layer) return;
    layer.remove();
    layer = null;
    for (const node of hidden) node.inert = false;
    hidden = [];
    opener.focus({ preventScroll: true });
  }

  function present(frame, focusFirst) {
    keepKeyboard(frame.sheet, close);
    frame.cancel.addEventListener("click", close);
    layer = el("div", "device-layer");
    layer.append(frame.sheet);
    document.body.append(layer);
    hidden = [...document.body.children].filter((n) => n !== layer && !n.inert);
    for (const node of hidden) node.inert = true;
    focusFirst.focus({ preventScroll: true });
  }

  // The device could not be read: the panel says why, and offers only Cancel.
  function showFailure(message) {
    const frame = sheetFrame();
    frame.error.textContent = message;
    frame.done.disabled = true;
    present(frame, frame.cancel);
  }

  function show(draft) {
    const frame = sheetFrame();
    const { sheet, body, status } = frame;
    const say = (text) => (status.textContent = text);
    const focus = (...selectors) => {
      const target = selectors
        .map((s) => sheet.querySelector(s))
        .find((n) => n && !n.disabled && n.offsetParent !== null);
      target?.focus();
    };
    const version = versionGroup(draft);
    const modules = moduleGroups(draft, { say, focus });
    const tweaks = tweaksGroup(draft, modules.render);
    const add = addModuleGroup(draft, (name) => {
      modules.render();
      say(`${name} added to Control Center.`);
    });
    body.append(version.section, tweaks, modules.enabledGroup, modules.moreGroup, add);

    let saving = false;
    frame.done.addEventListener("click", async () => {
      if (saving) return;
      const problem = versionProblem(draft.systemVersion);
      frame.error.textContent = problem ?? "";
      if (problem) {
        version.input.focus();
        return;
      }
      saving = frame.done.disabled = true;
      const error = await sendDevice(draft);
      saving = frame.done.disabled = false;
      if (error === null) close();
      else frame.error.textContent = error;
    });
    present(frame, version.input);
  }

  async function open() {
    if (layer) return;
    try {
      const response = await fetch("/api/device", { headers: { Accept: "application/json" } });
      const profile = await response.json();
      if (!response.ok)
        throw new Error(profile?.error || `The server answered ${response.status}.`);
      show(structuredClone(profile));
    } catch (error) {
      showFailure(error.message || "The device cannot be read.");
    }
  }

  opener.addEventListener("click", open);
  return { open, close };
}
