// Navigation bar: back button, title and the page's right button.

const CHEVRON_LEFT =
  '<svg class="chevron-left" viewBox="0 0 12 21" aria-hidden="true" focusable="false">' +
  '<path d="M10.5 1.5 1.5 10.5l9 9" fill="none" stroke="currentColor" stroke-width="2.6" ' +
  'stroke-linecap="round" stroke-linejoin="round"/></svg>';

function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

const BACK = "Back";

// The previous page's title as the back label, as UIKit does. The host names
// it; a host that does not is helped by the titles this tab has seen.
export function backLabel(page, stack, titleOf) {
  if (typeof page.backTitle === "string" && page.backTitle) return page.backTitle;
  if (stack.length <= 1) return "Settings";
  return titleOf(stack[stack.length - 2]) || BACK;
}

// "Back to Connectivity"; a plain "Back" says it all ("Back to Back" would not).
export function backName(label) {
  return label === BACK ? BACK : `Back to ${label}`;
}

function backButton(screen, ctx, titleOf) {
  const label = backLabel(screen.page, screen.stack ?? [], titleOf);
  const button = el("button", "nav-button nav-back");
  button.type = "button";
  button.dataset.testid = "nav-back";
  button.dataset.focusKey = "nav-back";
  button.setAttribute("aria-label", backName(label));
  button.innerHTML = CHEVRON_LEFT;
  button.append(el("span", "nav-back-label", label));
  button.addEventListener("click", () => ctx.post({ event: "back" }));
  return button;
}

function rightButton(item, ctx) {
  const button = el("button", "nav-button nav-right", item.title ?? "");
  button.type = "button";
  button.dataset.testid = "nav-right";
  button.dataset.focusKey = "nav-right";
  button.disabled = item.enabled === false;
  button.addEventListener("click", () => ctx.post({ event: "barButton" }));
  return button;
}

export function renderNav(nav, screen, ctx, titleOf) {
  const page = screen.page;
  const left = el("div", "nav-side nav-left");
  const right = el("div", "nav-side nav-right-side");
  const title = el("h1", "nav-title", page ? (page.title ?? "") : "Settings");
  title.id = "page-title";
  // Focus can land here when what had it is gone (a dialog's row, a page).
  title.tabIndex = -1;
  title.dataset.focusKey = "page-title";
  if (page) left.append(backButton(screen, ctx, titleOf));
  if (page && page.rightButton) right.append(rightButton(page.rightButton, ctx));
  nav.classList.toggle("nav-large", !page);
  nav.replaceChildren(left, title, right);
}
