// Validates glTF files with the Khronos glTF-Validator: node validate_gltf.js
// MODULES FILE...; MODULES is the node_modules folder holding gltf-validator.
// Prints each file's errors, warnings and infos; the exit status is 1 when
// any file has an error or a warning (or can't be read), else 0.
"use strict";
const fs = require("fs");
const path = require("path");
const validator = require(path.resolve(process.argv[2], "gltf-validator"));

async function validate(file) {
  const folder = path.dirname(file);
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    // Buffers and images beside the file: a missing one is an error.
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(folder, decodeURIComponent(uri)), (error, data) =>
          error ? reject(error.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const issues = report.issues;
  for (const message of issues.messages)
    console.log(`${file}: ${["error", "warning", "info", "hint"][message.severity]} ${message.code} ${message.pointer || ""}: ${message.message}`);
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos, ` +
              `${report.info ? report.info.totalVertexCount : 0} vertices`);
  return issues.numErrors + issues.numWarnings;
}

(async () => {
  let bad = 0;
  for (const file of process.argv.slice(3)) {
    try {
      bad += await validate(file);
    } catch (error) {
      console.log(`${file}: not validated: ${error}`);
      bad += 1;
    }
  }
  process.exit(bad > 0 ? 1 : 0);
})();
