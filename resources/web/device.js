// The Device panel: what the simulated device holds (its iOS version, the
// tweaks installed, the Control Center modules enabled and their order). It
// edits a copy and sends it whole with Done; the server changes the device's
// files, and the pages and the picture follow them as on a phone.

import { el } from "./dom.js";

const VERSIONS = ["12.4", "13.0", "13.7", "14.4", "14.8", "15.1.1", "15.7", "16.6", "17.4"];
// As the server checks: iOS 11 to 17, the years of Control Center modules.
const VERSION_FORM = /^(1[1-7])\.(0|[1-9][0-9]?)(\.(0|[1-9][0-9]?))?$/;
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

export function attachDevicePanel(panel) {
  const head = panel.querySelector(".cc-toolbar-head");
  if (!head) return null;
  const opener = button("Device", "cc-find device-open");
  opener.dataset.testid = "device-open";
  opener.setAttribute("aria-haspopup", "dialog");
  head.append(opener);

  let layer = null;
  let draft = null; // the profile being edited
  let saving = false;
  let hidden = []; // elements made inert while the panel is up

  const modulesById = () => {
    const known = new Map();
    for (const m of draft.modules) known.set(m.identifier, m);
    for (const t of draft.tweaks) {
      if (t.module && !known.has(t.module.identifier))
        known.set(t.module.identifier, { ...t.module, kind: "tweak", tweak: t.name });
    }
    return known;
  };
  const installed = (name) => draft.tweaks.some((t) => t.name === name && t.installed);
  // What the user may enable now: stock and custom modules, and those of the
  // tweaks switched on.
  const availableIds = () =>
    [...modulesById().values()]
      .filter((m) => m.kind !== "tweak" || installed(m.tweak))
      .map((m) => m.identifier);

  function close() {
    if (!layer) return;
    layer.remove();
    layer = null;
    draft = null;
    for (const node of hidden) node.inert = false;
    hidden = [];
    opener.focus({ preventScroll: true });
  }

  async function open() {
    if (layer) return;
    let profile;
    try {
      const response = await fetch("/api/device", { headers: { Accept: "application/json" } });
      profile = await response.json();
      if (!response.ok)
        throw new Error(profile?.error || `The server answered ${response.status}.`);
    } catch (error) {
      opener.title = error.message || "The device cannot be read.";
      return;
    }
    draft = structuredClone(profile);
    build();
  }

  function build() {
    layer = el("div", "device-layer");
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
    layer.append(sheet);
    document.body.append(layer);
    for (const node of document.body.children) {
      if (node !== layer && !node.inert) {
        node.inert = true;
        hidden.push(node);
      }
    }

    const say = (text) => (status.textContent = text);
    const fail = (text) => (error.textContent = text ?? "");

    // ---- version
    const system = group("System", "device-system");
    const versionRow = el("div", "device-row");
    const versionLabel = el("label", "device-label", "iOS Version");
    versionLabel.htmlFor = "device-version";
    const version = el("input", "device-field device-version");
    version.id = "device-version";
    version.value = draft.systemVersion;
    version.inputMode = "decimal";
    version.autocomplete = "off";
    version.spellcheck = false;
    version.setAttribute("list", "device-versions");
    version.setAttribute("aria-describedby", "device-version-hint");
    const versions = el("datalist");
    versions.id = "device-versions";
    for (const v of VERSIONS) versions.append(Object.assign(el("option"), { value: v }));
    const versionHint = el(
      "p",
      "device-hint",
      "From 11.0 to 17.x. The settings look different from 13.0 on.",
    );
    versionHint.id = "device-version-hint";
    version.addEventListener("input", () => {
      draft.systemVersion = version.value.trim();
      const problem = versionProblem(draft.systemVersion);
      version.setAttribute("aria-invalid", String(Boolean(problem)));
      versionHint.textContent =
        problem ?? "From 11.0 to 17.x. The settings look different from 13.0 on.";
      versionHint.classList.toggle("device-hint-error", Boolean(problem));
    });
    versionRow.append(versionLabel, version, versions);
    system.append(versionRow, versionHint);

    // ---- tweaks
    const tweaks = group("Tweaks", "device-tweaks");
    const tweakList = el("ul", "device-list");
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
        const ids = new Set(availableIds());
        draft.enabled = draft.enabled.filter((id) => ids.has(id));
        renderModules();
      });
      row.append(label, toggle);
      tweakList.append(row);
    }
    tweaks.append(tweakList);

    // ---- modules
    const enabledGroup = group("Included Modules", "device-enabled");
    const enabledList = el("ol", "device-list");
    enabledList.dataset.testid = "device-enabled";
    enabledGroup.append(enabledList);
    const moreGroup = group("More Modules", "device-more");
    const moreList = el("ul", "device-list");
    moreList.dataset.testid = "device-more";
    moreGroup.append(moreList);

    function moduleRow(module) {
      const row = el("li", "device-row device-module");
      row.dataset.identifier = module.identifier;
      const text = el("span", "device-module-text");
      text.append(
        el("span", "device-label", module.displayName),
        el("span", "device-detail", module.identifier),
      );
      row.append(text);
      return row;
    }

    function focusAfter(selector) {
      const target = sheet.querySelector(selector);
      target?.focus({ preventScroll: false });
    }

    function renderModules() {
      const known = modulesById();
      enabledList.replaceChildren();
      draft.enabled.forEach((id, index) => {
        const module = known.get(id) ?? { identifier: id, displayName: id };
        const row = moduleRow(module);
        const actions = el("span", "device-actions");
        const up = button("Move Up", "device-action", `Move Up ${module.displayName}`);
        up.dataset.action = "up";
        up.disabled = index === 0;
        const down = button("Move Down", "device-action", `Move Down ${module.displayName}`);
        down.dataset.action = "down";
        down.disabled = index === draft.enabled.length - 1;
        const remove = button(
          "Remove",
          "device-action device-remove",
          `Remove ${module.displayName}`,
        );
        remove.dataset.action = "remove";
        const move = (step) => {
          const list = draft.enabled;
          [list[index], list[index + step]] = [list[index + step], list[index]];
          renderModules();
          say(`${module.displayName} moved to position ${index + step + 1} of ${list.length}.`);
          const again = `[data-identifier="${CSS.escape(id)}"] [data-action="${step < 0 ? "up" : "down"}"]`;
          const target = sheet.querySelector(again);
          if (target && !target.disabled) target.focus();
          else
            focusAfter(
              `[data-identifier="${CSS.escape(id)}"] [data-action="${step < 0 ? "down" : "up"}"]`,
            );
        };
        up.addEventListener("click", () => move(-1));
        down.addEventListener("click", () => move(1));
        remove.addEventListener("click", () => {
          draft.enabled.splice(index, 1);
          renderModules();
          say(`${module.displayName} removed from Control Center.`);
          focusAfter(
            `[data-testid=device-more] [data-identifier="${CSS.escape(id)}"] [data-action="add"]`,
          );
        });
        actions.append(up, down, remove);
        row.append(actions);
        enabledList.append(row);
      });
      if (draft.enabled.length === 0)
        enabledList.append(el("li", "device-row device-empty", "No modules are included."));

      moreList.replaceChildren();
      const enabled = new Set(draft.enabled);
      const more = availableIds()
        .filter((id) => !enabled.has(id))
        .map((id) => known.get(id))
        .sort((a, b) => a.displayName.localeCompare(b.displayName));
      for (const module of more) {
        const row = moduleRow(module);
        const actions = el("span", "device-actions");
        const add = button("Add", "device-action device-add", `Add ${module.displayName}`);
        add.dataset.action = "add";
        add.addEventListener("click", () => {
          draft.enabled.push(module.identifier);
          renderModules();
          say(`${module.displayName} added to Control Center.`);
          focusAfter(
            `[data-testid=device-enabled] [data-identifier="${CSS.escape(module.identifier)}"] [data-action="remove"]`,
          );
        });
        actions.append(add);
        if (module.kind === "custom") {
          const drop = button(
            "Delete",
            "device-action device-delete",
            `Delete ${module.displayName}`,
          );
          drop.dataset.action = "delete";
          drop.addEventListener("click", () => {
            draft.modules = draft.modules.filter((m) => m.identifier !== module.identifier);
            renderModules();
            say(`${module.displayName} will be deleted from the device.`);
            focusAfter("[data-testid=device-add-module]");
          });
          actions.append(drop);
        }
        row.append(actions);
        moreList.append(row);
      }
      if (more.length === 0)
        moreList.append(el("li", "device-row device-empty", "Every module is included."));
    }

    // ---- add a module
    const addGroup = group("Add Module", "device-add");
    const reveal = button("Add Module…", "device-link");
    reveal.dataset.testid = "device-add-module";
    reveal.setAttribute("aria-expanded", "false");
    reveal.setAttribute("aria-controls", "device-add-form");
    const form = el("form", "device-form");
    form.id = "device-add-form";
    form.hidden = true;
    form.noValidate = true;
    const field = (labelText, id, placeholder) => {
      const row = el("div", "device-row");
      const label = el("label", "device-label", labelText);
      label.htmlFor = id;
      const input = el("input", "device-field");
      input.id = id;
      input.placeholder = placeholder;
      input.autocomplete = "off";
      input.spellcheck = false;
      row.append(label, input);
      form.append(row);
      return input;
    };
    const identifier = field("Bundle Identifier", "device-identifier", "com.example.module");
    identifier.autocapitalize = "off";
    const displayName = field("Display Name", "device-name", "Module");
    const formError = el("p", "device-hint device-hint-error");
    formError.id = "device-add-error";
    formError.setAttribute("aria-live", "polite");
    identifier.setAttribute("aria-describedby", formError.id);
    displayName.setAttribute("aria-describedby", formError.id);
    const submit = button("Add", "device-submit");
    submit.type = "submit";
    submit.dataset.testid = "device-add-submit";
    form.append(formError, submit);
    reveal.addEventListener("click", () => {
      form.hidden = !form.hidden;
      reveal.setAttribute("aria-expanded", String(!form.hidden));
      if (!form.hidden) identifier.focus();
    });
    form.addEventListener("submit", (e) => {
      e.preventDefault();
      const id = identifier.value.trim();
      const name = displayName.value.trim();
      const taken = new Set([...modulesById().keys()].map((k) => k.toLowerCase()));
      const problem = moduleProblem(id, name, taken);
      formError.textContent = problem ?? "";
      const nameBad = Boolean(problem?.includes("display name"));
      identifier.setAttribute("aria-invalid", String(Boolean(problem) && !nameBad));
      displayName.setAttribute("aria-invalid", String(nameBad));
      if (problem) {
        (problem.includes("display name") ? displayName : identifier).focus();
        return;
      }
      draft.modules.push({ identifier: id, displayName: name, kind: "custom" });
      // A module one adds is one to see.
      draft.enabled.push(id);
      identifier.value = "";
      displayName.value = "";
      renderModules();
      say(`${name} added to Control Center.`);
      identifier.focus();
    });
    addGroup.append(reveal, form);

    body.append(system, tweaks, enabledGroup, moreGroup, addGroup);
    renderModules();

    cancel.addEventListener("click", close);
    done.addEventListener("click", async () => {
      if (saving) return;
      const problem = versionProblem(draft.systemVersion);
      if (problem) {
        fail(problem);
        version.focus();
        return;
      }
      saving = true;
      done.disabled = true;
      fail("");
      try {
        const response = await fetch("/api/device", {
          method: "PUT",
          headers: { "Content-Type": "application/json" },
          body: JSON.stringify(draft),
        });
        const answer = await response.json().catch(() => null);
        if (!response.ok) fail(answer?.error || `The server answered ${response.status}.`);
        else close();
      } catch {
        fail("The settings host cannot be reached.");
      } finally {
        saving = false;
        done.disabled = false;
      }
    });
    sheet.addEventListener("keydown", (e) => {
      if (e.key === "Escape") {
        e.preventDefault();
        e.stopPropagation();
        close();
        return;
      }
      if (e.key !== "Tab") return;
      // Focus stays within the panel while it is up; the page's own dialog
      // keeping (a picker may be open under the panel) must not take it.
      e.stopPropagation();
      const items = [
        ...sheet.querySelectorAll("button:not([disabled]), input:not([disabled])"),
      ].filter((n) => n.offsetParent !== null);
      if (items.length === 0) return;
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
    version.focus({ preventScroll: true });
  }

  opener.addEventListener("click", open);
  return { open, close };
}
