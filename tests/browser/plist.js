// Reads the device's property lists in the tests: Apple's XML form, which
// the device's files use.

const ENTITIES = { amp: "&", lt: "<", gt: ">", quot: '"', apos: "'" };
function unescapeXml(text) {
  return text.replace(/&(#x[0-9a-fA-F]+|#[0-9]+|[a-z]+);/g, (whole, name) => {
    if (name.startsWith("#x")) return String.fromCodePoint(parseInt(name.slice(2), 16));
    if (name.startsWith("#")) return String.fromCodePoint(parseInt(name.slice(1), 10));
    return ENTITIES[name] ?? whole;
  });
}

// Reads Apple's XML property list form, which the device's files use.
export function parsePlist(text) {
  if (text.startsWith("bplist"))
    throw new Error("binary property list: the tests read the XML form only");
  const tokens = text
    .replace(/<\?xml[^>]*\?>|<!DOCTYPE[^>]*>|<!--[\s\S]*?-->/g, "")
    .match(/<[^>]+>|[^<]+/g)
    .filter((t) => t.startsWith("<") || t.trim() !== "");
  let i = 0;
  const textUntil = (close) => {
    let value = "";
    while (tokens[i] !== close) {
      if (i >= tokens.length) throw new Error(`unterminated ${close}`);
      value += tokens[i++];
    }
    i++;
    return unescapeXml(value);
  };
  const value = () => {
    const tag = tokens[i++];
    switch (tag) {
      case "<dict/>":
        return {};
      case "<array/>":
        return [];
      case "<string/>":
        return "";
      case "<true/>":
        return true;
      case "<false/>":
        return false;
      case "<string>":
        return textUntil("</string>");
      case "<integer>":
        return Number(textUntil("</integer>"));
      case "<real>":
        return Number(textUntil("</real>"));
      case "<date>":
        return new Date(textUntil("</date>"));
      case "<data>":
        return Buffer.from(textUntil("</data>").replace(/\s+/g, ""), "base64");
      case "<array>": {
        const out = [];
        while (tokens[i] !== "</array>") out.push(value());
        i++;
        return out;
      }
      case "<dict>": {
        const out = {};
        while (tokens[i] !== "</dict>") {
          if (tokens[i++] !== "<key>") throw new Error(`expected <key> at token ${i}`);
          const key = textUntil("</key>");
          out[key] = value();
        }
        i++;
        return out;
      }
      default:
        throw new Error(`unexpected property list token ${tag}`);
    }
  };
  while (tokens[i] !== undefined && !/^<plist\b/.test(tokens[i])) i++;
  i++;
  return value();
}
