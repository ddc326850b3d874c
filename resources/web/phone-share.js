// "Show on Phone": shares the picture with a phone on the local network. The server listens
// there too while sharing is on, and shows a QR code of the phone's address (with a view secret
// of this sharing in it, which lets the phone look and nothing more). The button says when
// sharing is on; "Stop Sharing" ends it at once, and a new sharing makes a new secret.

import { el } from "./dom.js";

async function sharingState(init) {
  const response = await fetch("/api/phone", init);
  const answer = await response.json().catch(() => null);
  if (!response.ok || !answer)
    throw new Error(answer?.error || `The server answered ${response.status}.`);
  return answer;
}

function dialogFrame() {
  const layer = el("div", "ps-layer");
  layer.hidden = true;
  const dialog = el("div", "ps-dialog");
  dialog.setAttribute("role", "dialog");
  dialog.setAttribute("aria-modal", "true");
  dialog.setAttribute("aria-labelledby", "ps-title");
  const title = el("h2", "ps-title", "Show on Phone");
  title.id = "ps-title";
  const body = el("div", "ps-body");
  const actions = el("div", "ps-actions");
  const stop = el("button", "ps-button ps-destructive", "Stop Sharing");
  stop.type = "button";
  const done = el("button", "ps-button ps-default", "Done");
  done.type = "button";
  actions.append(stop, done);
  dialog.append(title, body, actions);
  layer.append(dialog);
  return { layer, body, stop, done };
}

// The QR code and the address as text, or why there is none.
function drawSharing(body, state) {
  if (!state.sharing) {
    body.replaceChildren(
      el(
        "p",
        "ps-text",
        state.problem
          ? `${state.problem[0].toUpperCase()}${state.problem.slice(1)}.`
          : "Not sharing.",
      ),
    );
    return;
  }
  const code = el("div", "ps-code");
  code.setAttribute("role", "img");
  code.setAttribute("aria-label", "QR code of the phone's address");
  code.dataset.testid = "phone-qr";
  code.innerHTML = state.qrCode;
  const address = el("input", "ps-address");
  address.readOnly = true;
  address.value = state.address;
  address.setAttribute("aria-label", "The phone's address");
  body.replaceChildren(
    el(
      "p",
      "ps-text",
      "Scan the code with the phone's camera, on the same network as this computer. The phone shows the picture as you change it, and can copy themes.",
    ),
    code,
    address,
    el(
      "p",
      "ps-note",
      "Anyone on this network who has the address can see the colours until you stop sharing.",
    ),
  );
}

export function attachPhoneSharing(panel) {
  const bar = panel.querySelector(".wp-bar") ?? panel;
  const button = el("button", "wp-button ps-toggle", "Show on Phone");
  button.type = "button";
  button.setAttribute("aria-haspopup", "dialog");
  button.dataset.testid = "show-on-phone";
  bar.append(button);
  const frame = dialogFrame();
  panel.append(frame.layer);
  let state = { sharing: false };

  function paint() {
    button.textContent = state.sharing ? "Sharing on Phone" : "Show on Phone";
    button.classList.toggle("ps-on", state.sharing);
    button.setAttribute("aria-pressed", String(state.sharing));
    frame.stop.hidden = !state.sharing;
    drawSharing(frame.body, state);
  }

  async function change(init) {
    try {
      state = await sharingState(init);
    } catch (error) {
      state = { sharing: false, problem: error.message };
    }
    paint();
  }

  function close() {
    frame.layer.hidden = true;
    button.focus();
  }

  button.addEventListener("click", async () => {
    if (!state.sharing)
      await change({
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify({ share: true }),
      });
    frame.layer.hidden = false;
    frame.done.focus();
  });
  frame.done.addEventListener("click", close);
  frame.stop.addEventListener("click", async () => {
    await change({
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ share: false }),
    });
    close();
  });
  frame.layer.addEventListener("keydown", (event) => {
    if (event.key === "Escape") {
      event.stopPropagation();
      close();
    }
  });

  change({ headers: { Accept: "application/json" } });
  return { state: () => state };
}
