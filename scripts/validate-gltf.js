#!/usr/bin/env node
// Validates binary glTF files with the Khronos glTF validator (installed into .tools/ by
// scripts/install-deps.sh): prints each file's counts and every message, and exits non-zero when
// any file has an error or a warning. Infos and hints are printed and pass.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(path.join(__dirname, '..', '.tools', 'node_modules', 'gltf-validator'));

const severities = ['error', 'warning', 'info', 'hint'];

async function validate(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    format: 'glb',
    maxIssues: 0, // every issue
    writeTimestamp: false,
  });
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
              `${issues.numInfos} infos, ${issues.numHints} hints (gltf-validator ${validator.version()})`);
  for (const m of issues.messages) {
    console.log(`  ${severities[m.severity] || m.severity} ${m.code} ${m.pointer || ''}: ${m.message}`);
  }
  return issues.numErrors === 0 && issues.numWarnings === 0;
}

(async () => {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error('usage: validate-gltf.js FILE.glb...');
    process.exit(2);
  }
  let ok = true;
  for (const file of files) {
    try {
      ok = (await validate(file)) && ok;
    } catch (e) {
      console.error(`${file}: cannot validate: ${e}`);
      ok = false;
    }
  }
  process.exit(ok ? 0 : 1);
})();
