// How the picture looks to someone who sees colours differently. The
// deficiencies follow Machado, Oliveira and Fernandes, "A Physiologically-based
// Model for Simulation of Color Vision Deficiency" (IEEE TVCG, 2009), at
// severity 1.0: a 3×3 matrix on linear RGB. Achromatopsia keeps only the
// luminance (BT.709). The theming component simulates with the same matrices
// (the shared reference table keeps the two together); nothing stored changes.

export const VISIONS = [
  { name: "typical", title: "Typical Vision", matrix: [1, 0, 0, 0, 1, 0, 0, 0, 1] },
  {
    name: "protanopia",
    title: "Protanopia",
    matrix: [
      0.152286, 1.052583, -0.204868, 0.114503, 0.786281, 0.099216, -0.003882, -0.048116, 1.051998,
    ],
  },
  {
    name: "deuteranopia",
    title: "Deuteranopia",
    matrix: [
      0.367322, 0.860646, -0.227968, 0.280085, 0.672501, 0.047413, -0.01182, 0.04294, 0.968881,
    ],
  },
  {
    name: "tritanopia",
    title: "Tritanopia",
    matrix: [
      1.255528, -0.076749, -0.178779, -0.078411, 0.930809, 0.147602, 0.004733, 0.691367, 0.3039,
    ],
  },
  {
    name: "achromatopsia",
    title: "Achromatopsia",
    matrix: [0.2126, 0.7152, 0.0722, 0.2126, 0.7152, 0.0722, 0.2126, 0.7152, 0.0722],
  },
];

const byName = new Map(VISIONS.map((v) => [v.name, v]));
export const visionOf = (name) => byName.get(name) ?? VISIONS[0];

const clamp01 = (x) => Math.min(1, Math.max(0, x));
const linear = (c) => (c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4);
const encoded = (l) => {
  const c = clamp01(l);
  return c <= 0.0031308 ? c * 12.92 : 1.055 * c ** (1 / 2.4) - 0.055;
};

// `colour` ({r, g, b, a} in 0..1) as `name` sees it; alpha as it is.
export function seenWith(colour, name) {
  if (!colour || name === "typical" || !byName.has(name)) return colour;
  const m = byName.get(name).matrix;
  const [r, g, b] = [colour.r, colour.g, colour.b].map((c) => linear(clamp01(c)));
  const row = (i) => encoded(m[i] * r + m[i + 1] * g + m[i + 2] * b);
  return { ...colour, r: row(0), g: row(3), b: row(6) };
}

// The SVG filters the picture is drawn through, one per simulated vision
// (`#cc-vision-protanopia`…), working in linear RGB as the model does.
export function visionFilters() {
  const ns = "http://www.w3.org/2000/svg";
  const svg = document.createElementNS(ns, "svg");
  svg.setAttribute("aria-hidden", "true");
  svg.setAttribute("width", "0");
  svg.setAttribute("height", "0");
  svg.style.position = "absolute";
  for (const { name, matrix } of VISIONS.slice(1)) {
    const filter = document.createElementNS(ns, "filter");
    filter.id = `cc-vision-${name}`;
    filter.setAttribute("color-interpolation-filters", "linearRGB");
    const cm = document.createElementNS(ns, "feColorMatrix");
    cm.setAttribute("type", "matrix");
    const rows = [0, 3, 6].map((i) => [...matrix.slice(i, i + 3), 0, 0].join(" "));
    cm.setAttribute("values", [...rows, "0 0 0 1 0"].join(" "));
    filter.append(cm);
    svg.append(filter);
  }
  return svg;
}
