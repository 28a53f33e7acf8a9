// The page's binding under node, held against plakit built natively: for the same files
// and options, the same bytes, the same texts and the same failure lines.
// Usage: node binding_test.js PLAKIT_JS NATIVE_PLAKIT
'use strict';

const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [modulePath, plakitPath] = process.argv.slice(2).map((file) => path.resolve(file));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'plakit-web-'));

// plakit run in the scratch folder: its status, stdout (bytes) and stderr (text).
const native = (...args) => {
  const run = spawnSync(plakitPath, args, { cwd: work, maxBuffer: 1 << 26 });
  assert.equal(run.error, undefined);
  return { status: run.status, out: run.stdout, err: run.stderr.toString() };
};
const put = (name, bytes) => {
  fs.writeFileSync(path.join(work, name), bytes);
  return { name, bytes: new Uint8Array(bytes) };
};
const same = (bytes, buffer, what) => assert.ok(Buffer.from(bytes).equals(buffer), what + ': bytes differ');

// A programming drawn at random, as a plain JEDEC file of the standard's minimal form (the
// fuse count, the default state, one L field, no checksum): each term needs a few inputs
// (1 is a blown fuse), feeds some outputs; the polarity fuses random too.
const randomJedec = (seed) => {
  let state = seed;
  const random = (bound) => {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return (state >>> 8) % bound;
  };
  let fuses = '';
  for (let term = 0; term < 48; ++term) {
    for (let input = 0; input < 16; ++input) fuses += ['11', '11', '11', '11', '01', '10'][random(6)];
    for (let output = 0; output < 8; ++output) fuses += random(3) === 0 ? '0' : '1';
  }
  for (let output = 0; output < 8; ++output) fuses += random(2);
  return Buffer.from('\x02random programming*QF1928*F0*L0000 ' + fuses + '*\x030000');
};

const checks = [];
const check = (name, body) => checks.push([name, body]);

check('the built-in programming: image, JEDEC, equations and program table', (plakit) => {
  for (const [pairs, wiring] of [['complement-first', 'adapter'], ['true-first', 'straight']]) {
    const answer = plakit.programming({ programming: null, pairs, wiring });
    assert.ok(answer.ok);
    same(answer.image, native('image', '--wiring', wiring, '-o', '-').out, 'image ' + wiring);
    assert.equal(answer.jedec, native('jedec', '--pairs', pairs).out.toString());
    assert.equal(answer.equations, native('equations').out.toString());
    assert.equal(answer.table, native('equations', '--table').out.toString());
  }
});

check('random programmings: image, equations and the JEDEC file written', (plakit) => {
  for (const seed of [1, 2, 3]) {
    for (const [pairs, wiring] of [['complement-first', 'adapter'], ['true-first', 'straight']]) {
      const source = put('random.jed', randomJedec(seed));
      const answer = plakit.programming({ programming: source, pairs, wiring });
      assert.ok(answer.ok, answer.message);
      const image = native('image', 'random.jed', '--pairs', pairs, '--wiring', wiring, '-o', '-').out;
      same(answer.image, image, 'image');
      assert.equal(answer.equations, native('equations', 'random.jed', '--pairs', pairs).out.toString());
      assert.equal(answer.table, native('equations', 'random.jed', '--table', '--pairs', pairs).out.toString());
      // The file written holds the same fuses: plakit reads it back to the same image.
      put('written.jed', answer.jedec);
      same(answer.image, native('image', 'written.jed', '--pairs', pairs, '--wiring', wiring, '-o', '-').out,
        'image of the JEDEC file written');
    }
  }
});

check('bad programmings: the line plakit prints', (plakit) => {
  const cases = {
    'empty.jed': '',
    'text.jed': 'hello',
    'short.jed': '\x02short*QF1928*L0000 0101*\x030000',
    'checksum.jed': '\x02sum*QF1928*F0*\x031234',
    'count.jed': '\x02count*QF100*F0*\x030000',
    'large.jed': Buffer.alloc((1 << 20) + 1, 0x20),
  };
  for (const [name, text] of Object.entries(cases)) {
    const answer = plakit.programming({ programming: put(name, Buffer.from(text)), pairs: 'complement-first', wiring: 'adapter' });
    assert.ok(!answer.ok, name);
    const run = native('image', name, '-o', 'never.bin');
    assert.equal(run.status, 1);
    assert.equal(answer.message + '\n', run.err, name);
  }
});

check('dumps: the text plakit verify prints', (plakit) => {
  const image = native('image', '-o', '-').out;
  const stuck = Buffer.from(image.map((byte) => byte & ~0x08));
  const cases = [
    ['good.bin', image, null, []],
    ['d3.bin', stuck, null, []],
    ['half.bin', image.subarray(0, 32768), null, []],
    ['d3.bin', stuck, 'random.jed', ['--wiring', 'straight']],
    ['noise.bin', Buffer.from(image.map((byte, address) => (address % 977 === 0 ? byte ^ 0x41 : byte))), null, []],
  ];
  put('random.jed', randomJedec(7));
  for (const [name, dump, jedec, options] of cases) {
    const source = put(name, dump);
    const programming = jedec ? { name: jedec, bytes: new Uint8Array(fs.readFileSync(path.join(work, jedec))) } : null;
    const answer = plakit.verify({ dump: source, programming, pairs: 'complement-first', wiring: options.length ? 'straight' : 'adapter' });
    assert.ok(answer.ok, answer.message);
    const run = native('verify', name, ...(jedec ? ['--jedec', jedec] : []), ...options);
    assert.equal(answer.text, run.out.toString(), name);
    assert.equal(answer.status, run.status, name);
  }
  assert.match(native('verify', 'd3.bin').out.toString(), /data line D3 stuck at 0/);
  const bad = plakit.verify({ dump: put('d3.bin', stuck), programming: put('bad.jed', Buffer.from('x')), pairs: 'complement-first', wiring: 'adapter' });
  assert.equal(bad.message + '\n', native('verify', 'd3.bin', '--jedec', 'bad.jed').err);
});

check('fit: the JEDEC file and the line plakit fit prints, and its failures', (plakit) => {
  const builtin = native('image', '-o', '-').out;
  put('random.jed', randomJedec(11));
  const random = native('image', 'random.jed', '-o', '-').out;
  for (const [name, image, pairs, wiring] of [
    ['82S100_EPROM.bin', builtin, 'complement-first', 'adapter'],
    ['82S100_EPROM.bin', builtin, 'true-first', 'straight'],
    ['random.bin', random, 'complement-first', 'adapter'],
  ]) {
    // The form chosen for programming files does not reach the fit, nor its table.
    const answer = plakit.fit({ image: put(name, image), pairs, wiring, form: 'pla' });
    assert.ok(answer.ok, answer.message);
    const run = native('fit', name, '--pairs', pairs, '--wiring', wiring, '-o', 'fitted.jed');
    assert.equal(run.status, 0);
    assert.equal(answer.jedec, fs.readFileSync(path.join(work, 'fitted.jed')).toString(), name);
    assert.equal(answer.line + '\n', run.err, name);
    assert.equal(answer.table, native('equations', '--table', '--pairs', pairs, 'fitted.jed').out.toString(), name);
  }
  for (const [name, bytes] of [['small.bin', Buffer.alloc(1000)], ['large.bin', Buffer.alloc(65537)]]) {
    const answer = plakit.fit({ image: put(name, bytes), pairs: 'complement-first', wiring: 'adapter' });
    assert.ok(!answer.ok);
    assert.equal(answer.message + '\n', native('fit', name).err, name);
  }
});

check('fit of a design: the JEDEC file and the lines plakit fit prints, and a design refused', (plakit) => {
  // Three inputs and two outputs with names, x's don't-cares as fd gives them: placed on
  // I0-I2 and F0-F1, and the placement said before how the programming was found.
  const design = '# two outputs of three inputs\n.i 3\n.o 2\n.ilb a b c\n.ob x y\n.type fd\n.p 3\n' +
    '11- 10\n0-1 01\n1-1 -1\n.e\n';
  for (const pairs of ['complement-first', 'true-first']) {
    const answer = plakit.fit({ image: put('small.pla', Buffer.from(design)), pairs, wiring: 'adapter' });
    assert.ok(answer.ok, answer.message);
    const run = native('fit', 'small.pla', '--pairs', pairs);
    assert.equal(run.status, 0);
    assert.equal(answer.jedec, run.out.toString(), pairs);
    assert.equal(answer.line + '\n', run.err, pairs);
    assert.equal(run.err.split('\n').length, 3, 'the placement line and the outcome line');
  }
  // A word both ON and OFF: refused at the row that makes it so, as plakit refuses it.
  const contradiction = put('contradiction.pla', Buffer.from('.i 2\n.o 1\n.type fr\n11 1\n1- 0\n.e\n'));
  const bad = plakit.fit({ image: contradiction, pairs: 'complement-first', wiring: 'adapter' });
  assert.ok(!bad.ok);
  const refused = native('fit', 'contradiction.pla');
  assert.equal(refused.status, 1);
  assert.equal(bad.message + '\n', refused.err);
});

check('programmings in every form plakit reads, and the forms written', (plakit) => {
  for (const seed of [4, 5]) {
    put('random.jed', randomJedec(seed));
    for (const [form, file] of [['fuses', 'random.fuses'], ['pla', 'random.pla'], ['equations', 'random.eqn']]) {
      assert.equal(native('convert', 'random.jed', '--to', form, '-o', file).status, 0);
      const bytes = fs.readFileSync(path.join(work, file));
      for (const given of ['automatic', form]) {
        const answer = plakit.programming({ programming: put(file, bytes), form: given, pairs: 'complement-first', wiring: 'adapter' });
        assert.ok(answer.ok, answer.message);
        same(answer.image, native('image', file, '-o', '-').out, file + ' as ' + given);
      }
    }
    const answer = plakit.programming({ programming: put('random.jed', randomJedec(seed)), form: 'automatic', pairs: 'true-first', wiring: 'adapter' });
    for (const form of ['fuses', 'pla', 'verilog', 'vhdl']) {
      same(Buffer.from(answer[form]), native('convert', 'random.jed', '--pairs', 'true-first', '--to', form).out, form + ' written');
    }
  }
  // A form forced that the file is not in: plakit's line.
  const wrong = plakit.programming({ programming: put('random.jed', randomJedec(6)), form: 'table', pairs: 'complement-first', wiring: 'adapter' });
  assert.ok(!wrong.ok);
  assert.equal(wrong.message + '\n', native('image', 'random.jed', '--from', 'table', '-o', 'never.bin').err);
});

check('equations without their end line: read, with the warning plakit prints beside the result', (plakit) => {
  const equations = native('equations').out.toString();
  assert.ok(equations.endsWith('\n# end\n'));
  const cut = () => put('cut.eqn', Buffer.from(equations.slice(0, -'# end\n'.length)));
  const request = { form: 'automatic', pairs: 'complement-first', wiring: 'adapter' };
  cut();
  const image = native('image', 'cut.eqn', '-o', '-');
  assert.equal(image.status, 0);
  assert.match(image.err, /^plakit: cut\.eqn: warning: no "# end" line: [^\n]+\n$/);
  const programming = plakit.programming({ ...request, programming: cut() });
  assert.ok(programming.ok, programming.message);
  assert.equal(programming.messages + '\n', image.err);
  same(programming.image, image.out, 'image');
  const whole = plakit.programming({ ...request, programming: put('whole.eqn', Buffer.from(equations)) });
  assert.equal(whole.messages, '');
  const dump = put('builtin.bin', image.out);
  const verified = plakit.verify({ ...request, dumps: [dump], programming: cut() });
  const verify = native('verify', 'builtin.bin', '--jedec', 'cut.eqn');
  assert.equal(verified.text, verify.out.toString());
  assert.equal(verified.messages + '\n', verify.err);
  const compared = plakit.compare({ ...request, a: cut(), b: dump });
  const compare = native('compare', 'cut.eqn', 'builtin.bin');
  assert.equal(compared.text, compare.out.toString());
  assert.equal(compared.messages + '\n', compare.err);
  // A design written by hand, without the line: the warning before fit's outcome.
  const design = put('hand.eqn', Buffer.from('F0 = I0 & I1\n   | /I2\n/F1 = I3\nF2 = 0\nF3 = 0\nF4 = 0\nF5 = 0\nF6 = 0\nF7 = 0\n'));
  const fitted = plakit.fit({ ...request, image: design });
  const fit = native('fit', 'hand.eqn');
  assert.equal(fitted.jedec, fit.out.toString());
  assert.equal(fitted.line + '\n', fit.err);
  assert.equal(fit.err.split('\n').length, 3, 'the warning and the outcome');
});

// The straight wiring with address line A3 and data line D7 through inverters.
const invertedWiring = () =>
  native('wiring', '--wiring', 'straight').out.toString().replace('\nA3 I3\n', '\nA3 /I3\n').replace('\nD7 F7\n', '\nD7 /F7\n');

check('wiring files: the image, the fit and the verdict plakit gives through them', (plakit) => {
  const text = invertedWiring();
  assert.match(text, /A3 \/I3\n[^]*D7 \/F7\n/);
  const wiring = put('inverted.txt', Buffer.from(text));
  put('random.jed', randomJedec(8));
  const answer = plakit.programming({ programming: put('random.jed', randomJedec(8)), pairs: 'complement-first', wiring });
  assert.ok(answer.ok, answer.message);
  const image = native('image', 'random.jed', '--wiring', 'inverted.txt', '-o', '-').out;
  same(answer.image, image, 'image through the wiring file');
  assert.ok(!Buffer.from(answer.image).equals(native('image', 'random.jed', '--wiring', 'straight', '-o', '-').out));
  assert.equal(plakit.wiring({ wiring }).text, native('wiring', '--wiring', 'inverted.txt').out.toString());
  const fitted = plakit.fit({ image: put('inverted.bin', image), pairs: 'complement-first', wiring });
  const run = native('fit', 'inverted.bin', '--wiring', 'inverted.txt');
  assert.equal(fitted.jedec, run.out.toString());
  assert.equal(fitted.line + '\n', run.err);
});

check('bad wiring files: the line plakit prints', (plakit) => {
  const good = invertedWiring();
  const cases = {
    'twice.txt': good.replace('\nA4 I4\n', '\nA4 I3\n'),
    'missing.txt': good.replace('\nD2 F2\n', '\n'),
    'pin.txt': good.replace('\nA5 I5\n', '\nA5 I16\n'),
    'word.txt': good + 'hello\n',
    'empty.txt': '',
  };
  for (const [name, text] of Object.entries(cases)) {
    const wiring = put(name, Buffer.from(text));
    const run = native('image', '--wiring', name, '-o', 'never.bin');
    assert.equal(run.status, 1, name);
    for (const answer of [plakit.programming({ programming: null, pairs: 'complement-first', wiring }), plakit.wiring({ wiring })]) {
      assert.ok(!answer.ok, name);
      assert.equal(answer.message + '\n', run.err, name);
    }
  }
  assert.equal(plakit.fit({ image: put('b.bin', Buffer.alloc(65536)), pairs: 'complement-first', wiring: put('word.txt', Buffer.from('x')) }).message + '\n',
    native('fit', 'b.bin', '--wiring', 'word.txt').err);
});

check('compare: the text and the status of plakit compare', (plakit) => {
  const equations = native('convert', '--to', 'equations').out.toString();
  put('builtin.eqn', Buffer.from(equations));
  // F3 inverted: its polarity fuse alone differs.
  put('polarity.eqn', Buffer.from(equations.replace(/^\/F3 =/m, 'F3 =')));
  put('builtin.bin', native('image', '-o', '-').out);
  put('builtin.jed', native('jedec').out);
  put('random.jed', randomJedec(9));
  for (const [a, b, options] of [
    ['builtin.eqn', 'polarity.eqn', []],
    ['builtin.jed', 'builtin.bin', []],
    ['random.jed', 'builtin.bin', ['--wiring', 'straight']],
    ['builtin.jed', 'builtin.eqn', ['--pairs', 'true-first']],
  ]) {
    const request = { a: put(a, fs.readFileSync(path.join(work, a))), b: put(b, fs.readFileSync(path.join(work, b))),
      form: 'automatic', pairs: options[0] === '--pairs' ? 'true-first' : 'complement-first', wiring: options[0] === '--wiring' ? 'straight' : 'adapter' };
    const answer = plakit.compare(request);
    assert.ok(answer.ok, answer.message);
    const run = native('compare', a, b, ...options);
    assert.equal(answer.text, run.out.toString(), a + ' ' + b);
    assert.equal(answer.headline, run.out.toString().split('\n')[0], a + ' ' + b);
    assert.equal(answer.status, run.status, a + ' ' + b);
  }
  assert.match(native('compare', 'builtin.eqn', 'polarity.eqn').out.toString(), /F3: inverted/);
  const bad = plakit.compare({ a: put('builtin.eqn', Buffer.from(equations)), b: put('bad.pla', Buffer.from('.i 16\n.o 9\n')), form: 'automatic', pairs: 'complement-first', wiring: 'adapter' });
  assert.equal(bad.message + '\n', native('compare', 'builtin.eqn', 'bad.pla').err);
});

check('verify: the image burned by mistake, named as plakit names it', (plakit) => {
  put('random.jed', randomJedec(12));
  const programming = () => put('random.jed', randomJedec(12));
  put('inverted.txt', Buffer.from(invertedWiring()));
  const cases = [
    // Through the straight wiring, held against the adapter's.
    ['straight.bin', native('image', '--wiring', 'straight', '-o', '-').out, null, 'complement-first', 'adapter', /--wiring straight/],
    // Through the adapter's wiring, held against the straight one.
    ['adapter.bin', native('image', '-o', '-').out, null, 'complement-first', 'straight', /--wiring adapter/],
    // Read with the other pair order, either way round.
    ['true.bin', native('image', 'random.jed', '--pairs', 'true-first', '-o', '-').out, 'random.jed', 'complement-first', 'adapter', /--pairs true-first/],
    ['complement.bin', native('image', 'random.jed', '-o', '-').out, 'random.jed', 'true-first', 'straight', null],
    // Through a named wiring, held against a wiring file.
    ['named.bin', native('image', 'random.jed', '--wiring', 'straight', '-o', '-').out, 'random.jed', 'complement-first', 'inverted.txt', /--wiring straight/],
  ];
  for (const [name, dump, jedec, pairs, wiring, named] of cases) {
    const request = { dumps: [put(name, dump)], programming: jedec ? programming() : null, pairs,
      wiring: wiring.endsWith('.txt') ? put(wiring, fs.readFileSync(path.join(work, wiring))) : wiring };
    const answer = plakit.verify(request);
    assert.ok(answer.ok, answer.message);
    const run = native('verify', name, ...(jedec ? ['--jedec', jedec] : []), '--pairs', pairs, '--wiring', wiring);
    assert.equal(run.status, 1, name);
    if (named) assert.match(run.out.toString(), named, name);
    assert.equal(answer.text, run.out.toString(), name);
    assert.equal(answer.status, run.status, name);
    same(answer.expected, native('image', ...(jedec ? [jedec] : []), '--pairs', pairs, '--wiring', wiring, '-o', '-').out, name + ': expected');
  }
});

check('verify: several reads of one chip, and the single read as the page gave it', (plakit) => {
  const image = native('image', '-o', '-').out;
  const one = plakit.verify({ dumps: [put('dump.bin', image)], programming: null, pairs: 'complement-first', wiring: 'adapter' });
  assert.equal(one.text, native('verify', 'dump.bin').out.toString());
  const single = plakit.verify({ dump: put('dump.bin', image), programming: null, pairs: 'complement-first', wiring: 'adapter' });
  assert.equal(single.text, one.text);
  // A second read with a weak bit: plakit verify's text and status for the two reads.
  const weak = Buffer.from(image);
  weak[0x1234] ^= 0x10;
  const two = plakit.verify({ dumps: [put('dump.bin', image), put('again.bin', weak)], programming: null, pairs: 'complement-first', wiring: 'adapter' });
  const run = native('verify', 'dump.bin', 'again.bin');
  assert.ok(two.ok, two.message);
  assert.equal(two.text, run.out.toString());
  assert.equal(two.headline, run.out.toString().split('\n')[0]);
  assert.equal(two.status, run.status);
  assert.notEqual(two.status, 0);
  const none = plakit.verify({ dumps: [], programming: null, pairs: 'complement-first', wiring: 'adapter' });
  assert.ok(!none.ok);
  assert.match(none.message, /^plakit: [^\n]+$/);
});

check('limits: the largest file of each kind that plakit reads, and its refusal above', (plakit) => {
  const limits = plakit.limits();
  const request = { programming: null, pairs: 'complement-first', wiring: 'adapter' };
  const image = native('image', '-o', '-').out;
  // For each: the binding's answer and plakit's run for a file of `size` bytes.
  const boxes = {
    programming: (size) => [plakit.programming({ ...request, programming: put('big.jed', Buffer.alloc(size, 0x20)) }),
      native('image', 'big.jed', '-o', 'never.bin')],
    dump: (size) => [plakit.verify({ ...request, dumps: [put('big.bin', Buffer.alloc(size, 0xff))] }), native('verify', 'big.bin')],
    image: (size) => [plakit.fit({ ...request, image: put('big.bin', Buffer.alloc(size, 0xff)) }), native('fit', 'big.bin', '-o', 'never.jed')],
    wiring: (size) => [plakit.wiring({ wiring: put('big.txt', Buffer.alloc(size, 0x20)) }), native('wiring', '--wiring', 'big.txt')],
  };
  assert.deepEqual(Object.keys(limits).sort(), Object.keys(boxes).sort());
  for (const [box, run] of Object.entries(boxes)) {
    const [refused, plakitRefused] = run(limits[box] + 1);
    assert.ok(!refused.ok, box);
    assert.equal(refused.message + '\n', plakitRefused.err, box);
    assert.match(plakitRefused.err, new RegExp(': larger than ' + (limits[box] >> 10) + ' KiB: refused\n$'), box);
    const [read, plakitRead] = run(limits[box]);
    assert.doesNotMatch(plakitRead.err, /larger than/, box);
    if (!read.ok) assert.equal(read.message + '\n', plakitRead.err, box);
  }
  assert.ok(!fs.existsSync(path.join(work, 'never.bin')) && !fs.existsSync(path.join(work, 'never.jed')));
  assert.equal(image.length, 65536);
});

check('compare with the form given, and the wirings by name and from a file', (plakit) => {
  const equations = native('convert', '--to', 'equations').out.toString();
  put('builtin.eqn', Buffer.from(equations));
  put('polarity.eqn', Buffer.from(equations.replace(/^\/F3 =/m, 'F3 =')));
  put('builtin.bin', native('image', '-o', '-').out);
  for (const [a, b, form] of [['builtin.eqn', 'polarity.eqn', 'equations'], ['builtin.bin', 'builtin.eqn', 'equations']]) {
    const answer = plakit.compare({ a: put(a, fs.readFileSync(path.join(work, a))), b: put(b, fs.readFileSync(path.join(work, b))), form, pairs: 'complement-first', wiring: 'adapter' });
    const run = native('compare', a, b, '--from', form);
    if (answer.ok) {
      assert.equal(answer.text, run.out.toString(), a + ' ' + b);
      assert.equal(answer.status, run.status, a + ' ' + b);
    } else {
      assert.equal(run.status, 2, a + ' ' + b);
      assert.equal(answer.message + '\n', run.err, a + ' ' + b);
    }
  }
  for (const name of ['adapter', 'straight']) {
    assert.equal(plakit.wiring({ wiring: name }).text, native('wiring', '--wiring', name).out.toString(), name);
  }
  // A wiring file is a file, whatever its name.
  const file = plakit.wiring({ wiring: put('adapter', Buffer.from(invertedWiring())) });
  assert.equal(file.text, native('wiring', '--wiring', './adapter').out.toString());
});

check('the GAL pair: the three files and the line plakit gal prints, and a board refused', (plakit) => {
  for (const [programming, board, ce, args] of [
    [null, 'built-in', '', []],
    [put('random.jed', randomJedec(5)), 'auto', 'tied', ['random.jed', '--board', 'auto', '--ce', 'tied']],
  ]) {
    const answer = plakit.gal({ programming, board, ce, pairs: 'complement-first', wiring: 'adapter' });
    const run = native('gal', ...args);
    assert.equal(run.status, answer.ok ? 0 : 1, args.join(' '));
    if (!answer.ok) {
      assert.equal(answer.message + '\n', run.err, args.join(' '));
      continue;
    }
    assert.equal(answer.line + '\n', run.err);
    assert.deepEqual(answer.files.map((file) => file.name),
      ['82S100_GAL-1.jed', '82S100_GAL-2.jed', '82S100_GAL-board.txt']);
    for (const file of answer.files) assert.equal(file.text, fs.readFileSync(path.join(work, file.name), 'latin1'));
  }
  const board = put('board.txt', Buffer.from('1.19 F0\n1.12 CE\n'));
  const refused = plakit.gal({ programming: null, board, pairs: 'complement-first', wiring: 'adapter' });
  assert.ok(!refused.ok);
  assert.equal(refused.message + '\n', native('gal', '--board', 'board.txt', '-o', 'never').err);
});

// The module's WebAssembly beside its loader, handed over as the page hands it.
const wasmBinary = fs.readFileSync(modulePath.replace(/\.js$/, '.wasm'));
require(modulePath)({ wasmBinary }).then((plakit) => {
  let failed = 0;
  for (const [name, body] of checks) {
    try {
      body(plakit);
      console.log('ok: ' + name);
    } catch (error) {
      ++failed;
      console.log('FAILED: ' + name + '\n' + error.stack);
    }
  }
  fs.rmSync(work, { recursive: true, force: true });
  process.exitCode = failed === 0 ? 0 : 1;
});
