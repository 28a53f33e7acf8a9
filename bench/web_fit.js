// The page's fit against native plakit's, side by side in one run: the built-in image and
// the image of a random programming of 48 live terms, each fitted `runs` times by the
// binding under node (in one process) and by `plakit fit` (one process a fit, the JEDEC
// file on standard output, so that no sync of a file is timed). Times are processor time
// (user and system), which the other loads of a busy machine do not stretch as they do
// the clock's. Native also pays its start and its reading: `plakit fit` of a 1,000-byte
// file, refused at once, measures those, and is taken off. The fastest of the runs, their
// ratio, and the page's size.
// Usage: node bench/web_fit.js build/web/web/plakit.js build/web/native/plakit [runs]
'use strict';

const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');

const [modulePath, plakitPath] = process.argv.slice(2, 4).map((file) => path.resolve(file));
const runs = Number(process.argv[4] ?? 9);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'plakit-bench-'));

const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
// Processor time of `body`, in this process.
const milliseconds = (body) => {
  const start = process.cpuUsage();
  body();
  const used = process.cpuUsage(start);
  return (used.user + used.system) / 1000;
};
const native = (...args) => spawnSync(plakitPath, args, { cwd: work, maxBuffer: 1 << 26 });
// Processor time of plakit run with `args`, from its resource usage (wait4) as Python gives it.
const timer = `import os, sys
devnull = os.open('/dev/null', os.O_WRONLY)
pid = os.posix_spawn(sys.argv[1], sys.argv[1:], os.environ, file_actions=[
    (os.POSIX_SPAWN_DUP2, devnull, 1), (os.POSIX_SPAWN_DUP2, devnull, 2)])
usage = os.wait4(pid, 0)[2]
print(usage.ru_utime + usage.ru_stime)`;
const nativeMilliseconds = (...args) => {
  const run = spawnSync('/usr/bin/python3', ['-c', timer, plakitPath, ...args], { cwd: work });
  return parseFloat(run.stdout.toString()) * 1000;
};

// Every term needs a few inputs (never both of a pair, so it can be true) and feeds about
// a third of the outputs: 48 live terms.
let seed = 48;
const random = (bound) => {
  seed = (Math.imul(seed, 1103515245) + 12345) >>> 0;
  return (seed >>> 8) % bound;
};
let fuses = '';
for (let term = 0; term < 48; ++term) {
  for (let input = 0; input < 16; ++input) fuses += ['11', '11', '11', '11', '01', '10'][random(6)];
  for (let output = 0; output < 8; ++output) fuses += random(3) === 0 ? '0' : '1';
}
for (let output = 0; output < 8; ++output) fuses += random(2);
fs.writeFileSync(path.join(work, 'random.jed'), '\x02random*QF1928*F0*L0000 ' + fuses + '*\x030000');
native('image', '-o', 'builtin.bin');
native('image', 'random.jed', '-o', 'random.bin');
fs.writeFileSync(path.join(work, 'small.bin'), Buffer.alloc(1000));

require(modulePath)({ wasmBinary: fs.readFileSync(modulePath.replace(/\.js$/, '.wasm')) }).then((plakit) => {
  console.log('processor time, fastest of ' + runs + ' runs');
  console.log('image        binding (node)   plakit fit (native)   ratio   result');
  for (const name of ['builtin.bin', 'random.bin']) {
    const bytes = new Uint8Array(fs.readFileSync(path.join(work, name)));
    const source = { name, bytes };
    // Interleaved, so that the load of the machine falls on both alike; the fastest run
    // of each is the one least disturbed.
    const times = { page: [], program: [], start: [] };
    let answer;
    for (let run = 0; run < runs; ++run) {
      times.page.push(milliseconds(() => {
        answer = plakit.fit({ image: source, pairs: 'complement-first', wiring: 'adapter' });
      }));
      times.program.push(nativeMilliseconds('fit', name));
      times.start.push(nativeMilliseconds('fit', 'small.bin'));
    }
    const page = Math.min(...times.page);
    const program = Math.min(...times.program) - Math.min(...times.start);
    const line = answer.ok ? answer.line : answer.message;
    console.log(`${name.padEnd(12)} ${page.toFixed(1).padStart(10)} ms ${program.toFixed(1).padStart(16)} ms ` +
      `${(page / program).toFixed(2).padStart(9)}   ${line.replace(/^plakit: [^:]*: /, '')}` +
      `   (plakit's start and reading, taken off: ${Math.min(...times.start).toFixed(1)} ms)`);
  }
  const page = fs.readFileSync(path.join(path.dirname(modulePath), 'plakit.html'));
  console.log(`plakit.html: ${(page.length / 1024).toFixed(0)} KiB, ` +
    `${(zlib.gzipSync(page, { level: 9 }).length / 1024).toFixed(0)} KiB gzip -9`);
  fs.rmSync(work, { recursive: true, force: true });
});
