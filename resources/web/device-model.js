// What the Device panel edits, apart from the page: a copy of the device as
// the server described it (its iOS version, the tweaks installed, the modules
// Control Center includes in order, the modules of one's own), the edits the
// user makes to it, what the panel may offer after each, and the sentence it
// says about each. Done sends the copy whole.

export const VERSIONS = ["12.4", "13.0", "13.7", "14.4", "14.8", "15.1.1", "15.7", "16.6", "17.4"];
export const VERSION_HINT = "From 11.0 to 17.x. The settings look different from 13.0 on.";
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

// What is wrong with a module of one's own, and in which field, or null.
function moduleCheck(identifier, name, taken) {
  const refuse = (field, text) => ({ field, text });
  if (identifier.length > MAX_IDENTIFIER)
    return refuse("identifier", `A bundle identifier has at most ${MAX_IDENTIFIER} characters.`);
  if (!IDENTIFIER_FORM.test(identifier))
    return refuse(
      "identifier",
      "Use letters, digits and hyphens in two or more parts separated by dots, like com.example.module.",
    );
  if (taken.has(identifier.toLowerCase()))
    return refuse("identifier", "A module with this bundle identifier is already on the device.");
  if (!name.trim()) return refuse("name", "Enter a display name.");
  if ([...name].length > MAX_NAME)
    return refuse("name", `A display name has at most ${MAX_NAME} characters.`);
  // eslint-disable-next-line no-control-regex
  if (/[\u0000-\u001f]/.test(name))
    return refuse("name", "A display name cannot hold control characters.");
  return null;
}

// `taken`: the identifiers already on the device, in lower case.
export function moduleProblem(identifier, name, taken) {
  return moduleCheck(identifier, name, taken)?.text ?? null;
}

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

const nameIn = (draft, id) => knownModules(draft).get(id)?.displayName ?? id;

// The modules Control Center includes, in its order.
function includedModules(draft) {
  const last = draft.enabled.length - 1;
  return draft.enabled.map((identifier, index) => ({
    identifier,
    displayName: nameIn(draft, identifier),
    canMoveUp: index > 0,
    canMoveDown: index < last,
  }));
}

// The modules it may include besides, by name; only a module of one's own
// can be deleted from the device (its bundle goes).
function moreModules(draft) {
  const known = knownModules(draft);
  const included = new Set(draft.enabled);
  return availableIds(draft)
    .filter((id) => !included.has(id))
    .map((id) => known.get(id))
    .sort((a, b) => a.displayName.localeCompare(b.displayName))
    .map((m) => ({
      identifier: m.identifier,
      displayName: m.displayName,
      deletable: m.kind === "custom",
    }));
}

// `profile`: the device as GET /api/device answers it; the draft edits a copy.
export function createDeviceDraft(profile) {
  const draft = structuredClone(profile);
  const nameOf = (id) => nameIn(draft, id);

  return {
    // The device as edited, in the form PUT /api/device takes.
    profile: () => draft,
    version: () => draft.systemVersion,
    versionProblem: () => versionProblem(draft.systemVersion),
    // Answers what is wrong with the version typed, or null.
    setVersion(text) {
      draft.systemVersion = text.trim();
      return versionProblem(draft.systemVersion);
    },

    tweaks: () => draft.tweaks.map(({ name, title, installed }) => ({ name, title, installed })),
    // Answers whether the tweak is installed now. A removed tweak takes its
    // module out of Control Center.
    toggleTweak(name) {
      const tweak = draft.tweaks.find((t) => t.name === name);
      if (!tweak) return false;
      tweak.installed = !tweak.installed;
      const ids = new Set(availableIds(draft));
      draft.enabled = draft.enabled.filter((id) => ids.has(id));
      return tweak.installed;
    },

    included: () => includedModules(draft),
    more: () => moreModules(draft),

    // Each edit answers the sentence that tells it, or null when it did nothing.
    move(index, step) {
      const list = draft.enabled;
      const to = index + step;
      if (index < 0 || index >= list.length || to < 0 || to >= list.length) return null;
      [list[index], list[to]] = [list[to], list[index]];
      return `${nameOf(list[to])} moved to position ${to + 1} of ${list.length}.`;
    },
    remove(index) {
      if (index < 0 || index >= draft.enabled.length) return null;
      const [id] = draft.enabled.splice(index, 1);
      return `${nameOf(id)} removed from Control Center.`;
    },
    add(id) {
      if (draft.enabled.includes(id) || !availableIds(draft).includes(id)) return null;
      draft.enabled.push(id);
      return `${nameOf(id)} added to Control Center.`;
    },
    deleteModule(id) {
      const module = draft.modules.find((m) => m.identifier === id && m.kind === "custom");
      if (!module || draft.enabled.includes(id)) return null;
      draft.modules = draft.modules.filter((m) => m !== module);
      return `${module.displayName} will be deleted from the device.`;
    },
    // A module of one's own, from what was typed: {problem: {field, text}} and
    // nothing changed, or {said}. A module one adds is one to see: it is included.
    addModule(identifier, displayName) {
      const id = identifier.trim();
      const name = displayName.trim();
      const taken = new Set([...knownModules(draft).keys()].map((k) => k.toLowerCase()));
      const problem = moduleCheck(id, name, taken);
      if (problem) return { problem };
      draft.modules.push({ identifier: id, displayName: name, kind: "custom" });
      draft.enabled.push(id);
      return { said: `${name} added to Control Center.` };
    },
  };
}
