// Glyphs of the Control Center preview, drawn on a 24-unit grid in the
// current colour, so a glyph takes the colour of the element it sits in.

const STROKE = 'fill="none" stroke="currentColor" stroke-linecap="round" stroke-linejoin="round"';

function svg(body, className = "cc-glyph") {
  return `<svg class="${className}" viewBox="0 0 24 24" aria-hidden="true" focusable="false">${body}</svg>`;
}

const CONNECTIVITY = {
  airplane:
    '<path fill="currentColor" d="M21.5 15.6v-1.9l-8.2-5.2V3.6c0-.8-.6-1.6-1.3-1.6s-1.3.8-1.3 1.6v4.9' +
    'L2.5 13.7v1.9l8.2-2.6v5.1l-2.1 1.6V21l3.4-1 3.4 1v-1.3l-2.1-1.6V13z"/>',
  cellularData:
    `<g ${STROKE} stroke-width="1.9"><path d="M12 10.6V21.5"/>` +
    '<path d="M8.2 5.2a5.3 5.3 0 0 0 0 7.5M15.8 5.2a5.3 5.3 0 0 1 0 7.5"/>' +
    '<path d="M5.2 2.6a9.3 9.3 0 0 0 0 12.8M18.8 2.6a9.3 9.3 0 0 1 0 12.8"/></g>' +
    '<circle cx="12" cy="8.95" r="2" fill="currentColor"/>',
  wifi:
    `<g ${STROKE} stroke-width="2.2"><path d="M2.6 9.4a13.4 13.4 0 0 1 18.8 0"/>` +
    '<path d="M6 12.9a8.5 8.5 0 0 1 12 0"/><path d="M9.3 16.3a3.8 3.8 0 0 1 5.4 0"/></g>' +
    '<circle cx="12" cy="19.3" r="1.6" fill="currentColor"/>',
  bluetooth: `<path ${STROKE} stroke-width="2" d="M6.5 7.3 17 16.6l-5 4.4V3l5 4.4L6.5 16.7"/>`,
  airdrop:
    `<g ${STROKE} stroke-width="1.8"><path d="M9.2 15.6a4.6 4.6 0 1 1 5.6 0"/>` +
    '<path d="M6.6 19.2a9 9 0 1 1 10.8 0"/></g>' +
    '<circle cx="12" cy="12" r="1.9" fill="currentColor"/>',
  hotspot:
    `<g ${STROKE} stroke-width="2.1"><path d="M10.4 13.6a3.9 3.9 0 0 0 5.5 0l3.2-3.2a3.9 3.9 0 0 0-5.5-5.5l-1.3 1.3"/>` +
    '<path d="M13.6 10.4a3.9 3.9 0 0 0-5.5 0l-3.2 3.2a3.9 3.9 0 0 0 5.5 5.5l1.3-1.3"/></g>',
};

const MEDIA = {
  previous: '<path fill="currentColor" d="M11.6 6.2v11.6L3.5 12zM20.5 6.2v11.6L12.4 12z"/>',
  next: '<path fill="currentColor" d="M12.4 6.2v11.6L20.5 12zM3.5 6.2v11.6L11.6 12z"/>',
  pause:
    '<rect x="6" y="4.5" width="4" height="15" rx="1" fill="currentColor"/>' +
    '<rect x="14" y="4.5" width="4" height="15" rx="1" fill="currentColor"/>',
  airplay:
    `<g ${STROKE} stroke-width="1.6"><path d="M8.2 16.8a7 7 0 1 1 7.6 0"/>` +
    '<path d="M9.6 13.9a3.6 3.6 0 1 1 4.8 0"/></g>' +
    '<path fill="currentColor" d="M12 14.6 17 21H7z"/>',
};

const SLIDERS = {
  sun:
    '<circle cx="12" cy="12" r="4.2" fill="currentColor"/>' +
    `<path ${STROKE} stroke-width="2" d="M12 2.5v2.2M12 19.3v2.2M2.5 12h2.2M19.3 12h2.2` +
    'M5.3 5.3l1.5 1.5M17.2 17.2l1.5 1.5M5.3 18.7l1.5-1.5M17.2 6.8l1.5-1.5"/>',
  speaker:
    '<path fill="currentColor" d="M3 9.2h3.8L11.6 5v14l-4.8-4.2H3z"/>' +
    `<g ${STROKE} stroke-width="1.9"><path d="M14.6 9.2a4 4 0 0 1 0 5.6"/>` +
    '<path d="M17.3 6.5a7.8 7.8 0 0 1 0 11"/></g>',
};

// Tiles of the stock modules, by the end of their bundle identifier.
const MODULES = {
  OrientationLockModule:
    '<rect x="8.3" y="10.7" width="7.4" height="5.8" rx="1.1" fill="currentColor"/>' +
    `<g ${STROKE} stroke-width="1.7"><path d="M10 10.7V9.2a2 2 0 0 1 4 0v1.5"/>` +
    '<path d="M19.4 14.3a7.6 7.6 0 1 1-1.6-6.8"/><path d="M18.6 3.9l-.6 3.8-3.7-.8"/></g>',
  DoNotDisturbModule:
    '<path fill="currentColor" d="M14.8 3.2A8.8 8.8 0 1 0 20.8 15 7.6 7.6 0 0 1 14.8 3.2z"/>',
  airplaymirroring:
    `<g ${STROKE} stroke-width="1.7"><rect x="2.8" y="5" width="13" height="9.5" rx="1.6"/>` +
    '<rect x="8.2" y="9.5" width="13" height="9.5" rx="1.6" fill="currentColor" fill-opacity=".35"/></g>',
  FlashlightModule:
    '<path fill="currentColor" d="M7.5 2.5h9v3.2l-2.6 4v11.3a.9.9 0 0 1-.9.9h-2a.9.9 0 0 1-.9-.9V9.7l-2.6-4z"/>' +
    '<circle cx="12" cy="13.2" r="1.1" fill="#000" fill-opacity=".45"/>',
  timer:
    `<g ${STROKE} stroke-width="1.9"><circle cx="12" cy="13.5" r="7.5"/>` +
    '<path d="M12 13.5V9M10 2.8h4M12 2.8V6"/></g>',
  CalculatorModule:
    '<rect x="5" y="2.5" width="14" height="19" rx="2.4" fill="currentColor"/>' +
    '<rect x="7.3" y="4.8" width="9.4" height="3.6" rx=".8" fill="#000" fill-opacity=".45"/>' +
    '<g fill="#000" fill-opacity=".45"><circle cx="8.6" cy="12" r="1.1"/><circle cx="12" cy="12" r="1.1"/>' +
    '<circle cx="15.4" cy="12" r="1.1"/><circle cx="8.6" cy="15.6" r="1.1"/><circle cx="12" cy="15.6" r="1.1"/>' +
    '<circle cx="15.4" cy="15.6" r="1.1"/><circle cx="8.6" cy="19.1" r="1.1"/><circle cx="12" cy="19.1" r="1.1"/>' +
    '<circle cx="15.4" cy="19.1" r="1.1"/></g>',
  CameraModule:
    '<path fill="currentColor" d="M4.3 7.2h3.1l1.7-2.4h5.8l1.7 2.4h3.1a1.8 1.8 0 0 1 1.8 1.8v9.3a1.8 1.8 0 0 1-1.8 1.8H4.3a1.8 1.8 0 0 1-1.8-1.8V9a1.8 1.8 0 0 1 1.8-1.8z"/>' +
    '<circle cx="12" cy="13.4" r="3.6" fill="#000" fill-opacity=".45"/>',
  LowPowerModule:
    `<rect x="2.5" y="7.5" width="17" height="9" rx="2.3" ${STROKE} stroke-width="1.5"/>` +
    '<rect x="4.5" y="9.5" width="6" height="5" rx="1" fill="currentColor"/>' +
    '<path fill="currentColor" d="M20.8 10.4h.6a.8.8 0 0 1 .8.8v1.6a.8.8 0 0 1-.8.8h-.6z"/>',
  screenrecording:
    `<circle cx="12" cy="12" r="8.5" ${STROKE} stroke-width="1.9"/>` +
    '<circle cx="12" cy="12" r="5" fill="currentColor"/>',
  TextSizeModule:
    '<path fill="currentColor" d="M3 18.5 7.2 7.5h1.7l4.2 11h-2L10 15.7H6.1l-1.1 2.8zM6.7 14h2.8L8.1 10z' +
    'M12.9 18.5l3.4-8.8h1.5l3.4 8.8h-1.8l-.8-2.1h-3.1l-.8 2.1zm3.2-3.6h2l-1-2.8z"/>',
};

export function connectivityGlyph(name) {
  return svg(CONNECTIVITY[name] ?? '<circle cx="12" cy="12" r="4" fill="currentColor"/>');
}

export function mediaGlyph(name) {
  return svg(MEDIA[name] ?? "");
}

export function sliderGlyph(name) {
  return svg(SLIDERS[name] ?? "");
}

// A stock module's glyph, or null for a module of another maker: its tile
// then shows the name's initial.
export function moduleGlyph(identifier) {
  const stem = String(identifier ?? "")
    .split(".")
    .pop();
  const body = MODULES[stem];
  return body ? svg(body) : null;
}

// The status bar's signal bars and battery.
export const STATUS_GLYPHS =
  '<svg class="cc-status-bars" viewBox="0 0 18 12" aria-hidden="true" focusable="false">' +
  '<rect x="0" y="8" width="3" height="4" rx=".8" fill="currentColor"/>' +
  '<rect x="5" y="5.5" width="3" height="6.5" rx=".8" fill="currentColor"/>' +
  '<rect x="10" y="3" width="3" height="9" rx=".8" fill="currentColor"/>' +
  '<rect x="15" y="0" width="3" height="12" rx=".8" fill="currentColor"/></svg>' +
  '<svg class="cc-status-battery" viewBox="0 0 27 13" aria-hidden="true" focusable="false">' +
  '<rect x=".5" y=".5" width="22" height="12" rx="3.5" fill="none" stroke="currentColor" stroke-opacity=".4"/>' +
  '<rect x="2" y="2" width="15" height="9" rx="2" fill="currentColor"/>' +
  '<path d="M24 4.5v4a2.2 2.2 0 0 0 0-4z" fill="currentColor" fill-opacity=".4"/></svg>';
