// Writes OUTPUT, the page: TEMPLATE with its placeholders replaced, each inside its element:
// /*@WASM@*/ by the WebAssembly module (MODULE_WASM) gzipped, in base64, which the page's
// script inflates; /*@MODULE@*/ by emscripten's loader of it (MODULE_JS); /*@SCRIPT@*/ by the
// page's script (SCRIPT). The module is most of the page, and base64 spends 8 bits on 6 that
// gzip, run over the page, does not win back from it: gzipped first, it is carried in about
// the size gzip makes of it, whether or not the page itself is sent compressed.
// Usage: node inline.js TEMPLATE MODULE_JS MODULE_WASM SCRIPT OUTPUT
'use strict';

const fs = require('node:fs');
const zlib = require('node:zlib');

const [template, loader, wasm, script, output] = process.argv.slice(2);
const fail = (message) => {
  console.error('inline.js: ' + message);
  process.exit(1);
};
// zlib's gzip names no file and no time: the same module gives the same bytes.
const parts = {
  WASM: zlib.gzipSync(fs.readFileSync(wasm), { level: 9 }).toString('base64'),
  MODULE: fs.readFileSync(loader, 'utf8'),
  SCRIPT: fs.readFileSync(script, 'utf8'),
};
let page = fs.readFileSync(template, 'utf8');
for (const [name, text] of Object.entries(parts)) {
  // A "</script" inside would end the element early.
  if (text.includes('</script')) fail(`the ${name.toLowerCase()} holds </script: it cannot be inlined`);
  const placeholder = `/*@${name}@*/`;
  if (page.split(placeholder).length !== 2) fail(`${template} holds ${placeholder} other than once`);
  page = page.replace(placeholder, () => text);
}
fs.writeFileSync(output, page);
