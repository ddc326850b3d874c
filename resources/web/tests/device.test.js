import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createDeviceDraft, moduleProblem, versionProblem } from "../device-model.js";

// The server checks the same cases (tests/web/DeviceProfileTest.cpp).
const cases = JSON.parse(
  readFileSync(new URL("../../../tests/host/device-input-cases.json", import.meta.url), "utf8"),
);

test("versions are checked as the server checks them", () => {
  for (const text of cases.versions.accepted) assert.equal(versionProblem(text), null, text);
  for (const text of cases.versions.refused) assert.notEqual(versionProblem(text), null, text);
});

test("a module needs a bundle identifier, a free one and a display name", () => {
  const none = new Set();
  for (const id of cases.identifiers.accepted)
    assert.equal(moduleProblem(id, "Notes", none), null, id);
  for (const id of cases.identifiers.refused)
    assert.notEqual(moduleProblem(id, "Notes", none), null, JSON.stringify(id));
  const rows = [
    ["com." + "a".repeat(151), "Notes", null],
    ["com." + "a".repeat(152), "Notes", /at most 155/],
    ["com.example.camera", "Notes", /already on the device/],
    ["com.example.notes", "  ", /display name/],
    ["com.example.notes", "n".repeat(64), null],
    ["com.example.notes", "n".repeat(65), /at most 64/],
    ["com.example.notes", "é".repeat(64), null],
    ["com.example.notes", "No\ttes", /control characters/],
  ];
  const taken = new Set(["com.example.camera"]);
  for (const [id, name, problem] of rows) {
    const answer = moduleProblem(id, name, taken);
    if (problem === null) assert.equal(answer, null, `${id} ${name}`);
    else assert.match(answer ?? "", problem, `${id} ${name}`);
  }
});

// A device as GET /api/device describes it: PowerModule installed, Noctis not.
const PROFILE = {
  systemVersion: "14.4",
  tweaks: [
    { name: "prysm", title: "Prysm", installed: false },
    {
      name: "powerModule",
      title: "PowerModule",
      installed: true,
      module: { identifier: "com.example.power", displayName: "Power" },
    },
    {
      name: "noctis",
      title: "Noctis",
      installed: false,
      module: { identifier: "com.example.noctis", displayName: "Noctis" },
    },
  ],
  modules: [
    { identifier: "com.apple.camera", displayName: "Camera", kind: "stock" },
    { identifier: "com.apple.alarm", displayName: "Alarm", kind: "stock" },
    { identifier: "com.example.power", displayName: "Power", kind: "tweak", tweak: "powerModule" },
    { identifier: "com.example.mine", displayName: "Mine", kind: "custom" },
  ],
  enabled: ["com.apple.camera", "com.example.power"],
};

const order = (draft) => draft.included().map((m) => m.identifier);
const more = (draft) => draft.more().map((m) => m.identifier);

test("the included modules move, leave and come back in the order the user sets", () => {
  const draft = createDeviceDraft(PROFILE);
  const steps = [
    // edit, what it says, the order after
    [(d) => d.move(0, -1), null, ["com.apple.camera", "com.example.power"]],
    [(d) => d.move(1, 1), null, ["com.apple.camera", "com.example.power"]],
    [
      (d) => d.move(0, 1),
      "Camera moved to position 2 of 2.",
      ["com.example.power", "com.apple.camera"],
    ],
    [
      (d) => d.add("com.example.mine"),
      "Mine added to Control Center.",
      ["com.example.power", "com.apple.camera", "com.example.mine"],
    ],
    [
      (d) => d.add("com.example.mine"),
      null,
      ["com.example.power", "com.apple.camera", "com.example.mine"],
    ],
    // A tweak that is not installed offers nothing to add.
    [
      (d) => d.add("com.example.noctis"),
      null,
      ["com.example.power", "com.apple.camera", "com.example.mine"],
    ],
    [
      (d) => d.add("com.example.unknown"),
      null,
      ["com.example.power", "com.apple.camera", "com.example.mine"],
    ],
    [
      (d) => d.move(2, -1),
      "Mine moved to position 2 of 3.",
      ["com.example.power", "com.example.mine", "com.apple.camera"],
    ],
    [
      (d) => d.remove(0),
      "Power removed from Control Center.",
      ["com.example.mine", "com.apple.camera"],
    ],
    [(d) => d.remove(2), null, ["com.example.mine", "com.apple.camera"]],
  ];
  for (const [edit, said, after] of steps) {
    assert.equal(edit(draft), said, String(edit));
    assert.deepEqual(order(draft), after, String(edit));
  }
  assert.deepEqual(
    draft.included().map((m) => [m.displayName, m.canMoveUp, m.canMoveDown]),
    [
      ["Mine", false, true],
      ["Camera", true, false],
    ],
  );
  // What is sent is the edited copy; the profile read stays as the server sent it.
  assert.deepEqual(draft.profile().enabled, ["com.example.mine", "com.apple.camera"]);
  assert.deepEqual(PROFILE.enabled, ["com.apple.camera", "com.example.power"]);
});

test("a tweak switched off takes its module out of Control Center; switched on, offers it", () => {
  const draft = createDeviceDraft(PROFILE);
  assert.deepEqual(more(draft), ["com.apple.alarm", "com.example.mine"]);
  assert.equal(draft.toggleTweak("powerModule"), false);
  assert.deepEqual(order(draft), ["com.apple.camera"]);
  assert.deepEqual(more(draft), ["com.apple.alarm", "com.example.mine"]);
  // Switched on again, it is offered, not included.
  assert.equal(draft.toggleTweak("powerModule"), true);
  assert.deepEqual(order(draft), ["com.apple.camera"]);
  // A tweak not yet on the device brings its module too, sorted by name.
  assert.equal(draft.toggleTweak("noctis"), true);
  assert.deepEqual(
    draft.more().map((m) => [m.displayName, m.deletable]),
    [
      ["Alarm", false],
      ["Mine", true],
      ["Noctis", false],
      ["Power", false],
    ],
  );
  assert.equal(draft.add("com.example.noctis"), "Noctis added to Control Center.");
  assert.equal(draft.toggleTweak("unknown"), false);
  assert.deepEqual(
    draft.profile().tweaks.map((t) => [t.name, t.installed]),
    [
      ["prysm", false],
      ["powerModule", true],
      ["noctis", true],
    ],
  );
});

test("a module of one's own is checked, added and included, and deleted only from More", () => {
  const draft = createDeviceDraft(PROFILE);
  const rows = [
    // identifier and name typed, the field refused (null: added) and why
    ["notes", "Notes", "identifier", /two or more parts/],
    ["COM.APPLE.Camera", "Notes", "identifier", /already on the device/],
    // The module of a tweak not installed is taken too.
    ["com.example.noctis", "Notes", "identifier", /already on the device/],
    ["com.example.notes", "   ", "name", /Enter a display name/],
    ["com.example.notes", "n".repeat(65), "name", /at most 64/],
    ["com.example.notes", "No\u0007tes", "name", /control characters/],
    ["  com.example.notes  ", "  Notes  ", null],
    ["com.example.notes", "Notes again", "identifier", /already on the device/],
  ];
  for (const [identifier, name, field, text] of rows) {
    const before = JSON.stringify(draft.profile());
    const answer = draft.addModule(identifier, name);
    const where = JSON.stringify([identifier, name]);
    if (field === null) {
      assert.deepEqual(answer, { said: "Notes added to Control Center." }, where);
    } else {
      assert.equal(answer.problem?.field, field, where);
      assert.match(answer.problem.text, text, where);
      assert.equal(JSON.stringify(draft.profile()), before, `${where} changed the draft`);
    }
  }
  assert.deepEqual(order(draft), ["com.apple.camera", "com.example.power", "com.example.notes"]);
  assert.deepEqual(draft.profile().modules.at(-1), {
    identifier: "com.example.notes",
    displayName: "Notes",
    kind: "custom",
  });
  // Included, stock or a tweak's: not deleted.
  for (const id of ["com.example.notes", "com.apple.alarm", "com.example.power"])
    assert.equal(draft.deleteModule(id), null, id);
  assert.equal(draft.remove(2), "Notes removed from Control Center.");
  assert.equal(draft.deleteModule("com.example.notes"), "Notes will be deleted from the device.");
  assert.equal(draft.deleteModule("com.example.mine"), "Mine will be deleted from the device.");
  assert.deepEqual(more(draft), ["com.apple.alarm"]);
  assert.deepEqual(
    draft.profile().modules.map((m) => m.identifier),
    ["com.apple.camera", "com.apple.alarm", "com.example.power"],
  );
});

test("the version is kept as typed without the spaces around it", () => {
  const draft = createDeviceDraft(PROFILE);
  assert.equal(draft.version(), "14.4");
  assert.equal(draft.setVersion(" 15.1.1 "), null);
  assert.equal(draft.profile().systemVersion, "15.1.1");
  assert.match(draft.setVersion("18.0"), /from 11.0 to 17.x/);
  assert.equal(draft.version(), "18.0");
  assert.notEqual(draft.versionProblem(), null);
});
