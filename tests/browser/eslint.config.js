// ESLint's rules for the browser UI (resources/web) and its tests (tests/browser), run by
// scripts/check-style.sh from the top of the tree.
import js from "@eslint/js";
import globals from "globals";

export default [
  { ignores: ["**/node_modules/"] },
  js.configs.recommended,
  {
    files: ["resources/web/**/*.js"],
    languageOptions: { ecmaVersion: "latest", sourceType: "module", globals: globals.browser },
  },
  {
    // Node's test runner drives both; the UI's own unit tests run its modules in Node.
    files: ["resources/web/tests/**/*.js", "tests/browser/**/*.js"],
    languageOptions: {
      ecmaVersion: "latest",
      sourceType: "module",
      globals: { ...globals.node, ...globals.browser },
    },
  },
];
