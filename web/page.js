// The page's script: files in, the binding's answers shown and offered for download. The
// texts shown are the binding's own; the script only keeps each box's inputs, and shows
// each result only while the inputs it came from are the ones in force.
'use strict';

/* global plakit_module, DecompressionStream */
(() => {
  const $ = (id) => document.getElementById(id);
  let plakit = null;
  // The largest file of each kind that plakit reads, in bytes, as the binding gives them.
  let limits = null;

  const state = {
    programming: null, // null: the built-in programming; else {name, bytes}
    refused: null, // the line that refused the programming file chosen, if it was
    wiring: 'adapter', // the wiring in force: a name, or a wiring file {name, bytes}
    wiringName: 'wiring.txt', // the name of the file in the wiring box, as messages give it
    image: null, // the image of the programming through the wiring, while there is one
    dumps: null, // the reads of the burned EPROM: [{name, bytes}, ...]
    fit: null, // what the fit box fits: {name, bytes}, or 'image': the image of step 3
    compareA: null,
    compareB: null,
    gal: false, // whether the GAL pair was asked for
    galFile: null, // the board file given for it: {name, bytes}
  };
  // Each box's latest choice: a read that ends after a later choice is dropped.
  const choices = { programming: 0, verify: 0, fit: 0, 'compare-a': 0, 'compare-b': 0, wiring: 0, gal: 0 };
  const downloads = {};

  const crcTable = new Uint32Array(256).map((_, n) => {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  const crc32 = (bytes) => {
    let c = 0xffffffff;
    for (const byte of bytes) c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const hex = (value, digits) => '0x' + value.toString(16).toUpperCase().padStart(digits, '0');
  const count = (value) => value.toLocaleString('en-US');

  // A download button keeps its bytes; a click (or Enter, or Space) saves them.
  const offer = (id, bytes, type) => {
    downloads[id] = new Blob([bytes], { type });
  };
  const save = (button) => {
    const blob = downloads[button.id];
    if (!blob) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = button.dataset.name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  };

  const options = () => ({ pairs: $('pairs').value, form: $('form').value, wiring: state.wiring });
  const fail = (box, message) => {
    $(box + '-error').textContent = message;
    $(box + '-result').hidden = true;
  };
  const clear = (box) => fail(box, '');
  // A result, and the lines plakit prints beside it (a warning about a file read), where
  // the box shows plakit's lines.
  const succeed = (box, messages) => {
    $(box + '-error').textContent = messages || '';
    $(box + '-result').hidden = false;
  };

  // Step 1 and step 3: the programming and its image.
  const showProgramming = () => {
    state.image = null;
    $('image-result').hidden = true;
    for (const id of ['image-none', 'verify-none']) $(id).hidden = false;
    if (state.refused) return fail('programming', state.refused);
    const answer = plakit.programming({ programming: state.programming, ...options() });
    if (!answer.ok) return fail('programming', answer.message);
    succeed('programming', answer.messages);
    const name = state.programming ? state.programming.name : 'the built-in programming';
    $('programming-name').textContent = name;
    state.image = answer.image;
    $('image-of').textContent = name;
    $('image-crc').textContent = hex(crc32(answer.image), 8);
    $('image-result').hidden = false;
    for (const id of ['image-none', 'verify-none']) $(id).hidden = true;
    offer('image-download', answer.image, 'application/octet-stream');
    offer('jedec-download', answer.jedec, 'text/plain');
    offer('fuses-download', answer.fuses, 'application/octet-stream');
    for (const form of ['pla', 'verilog', 'vhdl']) offer(form + '-download', answer[form], 'text/plain');
    $('equations').textContent = answer.equations;
    $('table').textContent = answer.table;
  };

  // The map of one read: each wrong byte red, ringed while there are few enough to miss.
  const drawMap = (expected, read) => {
    const context = $('map').getContext('2d');
    const picture = context.createImageData(256, 256);
    const counts = Array.from({ length: 8 }, () => [0, 0]);
    const wrongAddresses = [];
    for (let address = 0; address < 65536; ++address) {
      const wrong = expected[address] ^ read[address];
      picture.data.set(wrong ? [200, 0, 0, 255] : [225, 235, 225, 255], address * 4);
      if (wrong) wrongAddresses.push(address);
      for (let line = 0; line < 8; ++line) {
        if ((wrong >> line) & 1) ++counts[line][(expected[address] >> line) & 1 ? 0 : 1];
      }
    }
    if (wrongAddresses.length <= 256) {
      for (const address of wrongAddresses) {
        const row = address >> 8;
        const column = address & 0xff;
        for (let y = row - 4; y <= row + 4; ++y) {
          for (let x = column - 4; x <= column + 4; ++x) {
            const edge = Math.max(Math.abs(y - row), Math.abs(x - column)) >= 3;
            const pixel = (y * 256 + x) * 4;
            if (edge && y >= 0 && y < 256 && x >= 0 && x < 256 && picture.data[pixel + 1] !== 0) {
              picture.data.set([20, 20, 20, 255], pixel);
            }
          }
        }
      }
    }
    context.putImageData(picture, 0, 0);
    const wrong = wrongAddresses.length;
    const words = wrong === 0 ? 'No wrong byte' : `${count(wrong)} wrong ${wrong === 1 ? 'byte' : 'bytes'}`;
    $('map-count').textContent = words + ' of 65,536';
    $('map').setAttribute('aria-label', `Map of the 65,536 addresses: ${words.toLowerCase()}`);
    $('line-errors').replaceChildren(
      ...counts.map(([zeroForOne, oneForZero], line) => {
        const row = document.createElement('tr');
        for (const text of ['D' + line, zeroForOne, oneForZero]) {
          const cell = document.createElement('td');
          cell.textContent = text;
          row.append(cell);
        }
        return row;
      })
    );
  };

  const showVerifyMap = (expected) => {
    const index = Number($('verify-read').value) || 0;
    const read = state.dumps[index];
    const whole = read && read.bytes.length === 65536;
    $('verify-map').hidden = !whole;
    if (whole) drawMap(expected, read.bytes);
  };

  // Step 4: the reads held against the image of steps 1 to 3; its verdict is verify's headline.
  const showVerify = () => {
    if (!state.dumps) return;
    if (!state.image) return clear('verify');
    const dumps = state.dumps;
    const answer = plakit.verify({ dumps, programming: state.programming, ...options() });
    if (!answer.ok) return fail('verify', answer.message);
    succeed('verify', answer.messages);
    $('verify-verdict').textContent = answer.headline;
    $('verify-verdict').className = 'verdict ' + (answer.status === 0 ? 'good' : 'bad');
    $('verify-reads').textContent = (dumps.length === 1 ? 'Read: ' : 'Reads: ') + dumps.map((d) => d.name).join(', ');
    $('verify-text').textContent = answer.text;
    $('verify-read').replaceChildren(
      ...dumps.map((dump, index) => new Option(dump.name, String(index)))
    );
    $('verify-read-label').hidden = dumps.length < 2;
    const expected = answer.expected || state.image;
    $('verify-read').onchange = () => showVerifyMap(expected);
    showVerifyMap(expected);
  };

  // A fit takes milliseconds, at most a few seconds: the page says so first, and shows
  // the answer only if nothing it came from has changed meanwhile.
  let fits = 0;
  const showFit = () => {
    if (!state.fit) return;
    const ticket = ++fits;
    $('fit-none').hidden = state.fit !== 'image' || state.image !== null;
    if (state.fit === 'image' && !state.image) return clear('fit');
    const image = state.fit === 'image' ? { name: '82S100_EPROM.bin', bytes: state.image } : state.fit;
    const request = { image, ...options() };
    succeed('fit');
    $('fit-line').textContent = 'Fitting ' + image.name + '…';
    $('fit-download').hidden = true;
    $('fit-table').textContent = '';
    requestAnimationFrame(() => setTimeout(() => {
      if (ticket !== fits) return;
      const answer = plakit.fit(request);
      if (!answer.ok) return fail('fit', answer.message);
      succeed('fit');
      $('fit-line').textContent = answer.line;
      offer('fit-download', answer.jedec, 'text/plain');
      $('fit-download').hidden = false;
      $('fit-table').textContent = answer.table;
    }, 0));
  };

  // The GAL pair, once asked for, follows the programming, the wiring and the options; the
  // board is shown as the table in the board file's comments.
  let gals = 0;
  const showGal = () => {
    if (!state.gal) return;
    const ticket = ++gals;
    const board = $('gal-board').value === 'file' ? state.galFile : $('gal-board').value;
    if (!board) return clear('gal');
    const request = { programming: state.programming, board, ce: $('gal-ce').checked ? 'tied' : '', ...options() };
    succeed('gal');
    $('gal-line').textContent = 'Making the GAL pair…';
    requestAnimationFrame(() => setTimeout(() => {
      if (ticket !== gals) return;
      if (state.refused) return fail('gal', state.refused);
      const answer = plakit.gal(request);
      if (!answer.ok) return fail('gal', answer.message);
      succeed('gal');
      $('gal-line').textContent = answer.line;
      for (const [index, id] of ['gal-1-download', 'gal-2-download', 'gal-board-download'].entries()) {
        offer(id, answer.files[index].text, 'text/plain');
      }
      const rows = answer.files[2].text.split('\n').map((line) => /^# \| (\d+) \| (.*) \| (.*) \|$/.exec(line));
      $('gal-pins').replaceChildren(...rows.filter((row) => row).map((row) => {
        const line = document.createElement('tr');
        for (const cell of row.slice(1)) {
          line.append(Object.assign(document.createElement('td'), { textContent: cell }));
        }
        return line;
      }));
    }, 0));
  };

  const showCompare = () => {
    if (!state.compareA || !state.compareB) return;
    const answer = plakit.compare({ a: state.compareA, b: state.compareB, ...options() });
    if (!answer.ok) return fail('compare', answer.message);
    succeed('compare', answer.messages);
    $('compare-verdict').textContent = answer.headline;
    $('compare-verdict').className = 'verdict ' + (answer.status === 0 ? 'good' : 'bad');
    $('compare-text').textContent = answer.text;
  };

  const showAll = () => {
    showProgramming();
    showVerify();
    showFit();
    showGal();
    showCompare();
  };

  // The wiring: the one in force changes only when a wiring is chosen, a file loaded, or
  // the box's text used, and only to a wiring plakit reads; its errors show in its box.
  const wiringNames = { adapter: "the adapter's", straight: 'straight' };
  const useWiring = (wiring, fromBox) => {
    const answer = plakit.wiring({ wiring });
    if (!answer.ok) {
      $('wiring-error').textContent = answer.message;
      const place = /^plakit: .*:(\d+):(\d+): /.exec(answer.message);
      if (fromBox && place) {
        const text = $('wiring-text').value;
        let start = 0;
        for (let line = 1; line < Number(place[1]) && start >= 0; ++line) start = text.indexOf('\n', start) + 1;
        const end = text.indexOf('\n', start);
        const box = $('wiring-text');
        box.focus();
        box.setSelectionRange(start, end < 0 ? text.length : end);
        // The selected line in sight, a few lines below the box's top.
        box.scrollTop = Math.max(0, Number(place[1]) - 3) * parseFloat(getComputedStyle(box).lineHeight);
        $('wiring-note').textContent = `Line ${place[1]}, column ${place[2]} is selected in the box. ` +
          'The wiring in force has not changed.';
      } else {
        $('wiring-note').textContent = 'The wiring in force has not changed.';
      }
      return false;
    }
    $('wiring-error').textContent = '';
    $('wiring-note').textContent = '';
    state.wiring = wiring;
    $('wiring-in-force').textContent =
      typeof wiring === 'string' ? wiringNames[wiring] : 'the wiring file ' + wiring.name;
    showAll();
    return true;
  };
  const boxWiring = () => ({ name: state.wiringName, bytes: new TextEncoder().encode($('wiring-text').value) });

  // The line plakit prints for a file larger than it reads.
  const tooLarge = (name, limit) => `plakit: ${name}: larger than ${limit >> 10} KiB: refused`;

  // Reads the files chosen for a box, each checked against its size limit first, and
  // hands them on unless a later choice of the same box came meanwhile.
  const read = (box, files, limit, use, refuse) => {
    const ticket = (choices[box] = (choices[box] || 0) + 1);
    const large = files.find((file) => file.size > limit);
    if (large) return refuse(tooLarge(large.name, limit));
    Promise.all(files.map((file) => file.arrayBuffer().then(
      (buffer) => ({ name: file.name, bytes: new Uint8Array(buffer) }),
      (error) => Promise.reject(new Error(`plakit: ${file.name}: ${error.message}`))
    ))).then((sources) => {
      if (choices[box] === ticket) use(sources);
    }, (error) => {
      if (choices[box] === ticket) refuse(error.message);
    });
  };

  const given = {
    programming: (files) => read('programming', files.slice(0, 1), limits.programming, ([source]) => {
      state.programming = source;
      state.refused = null;
      showAll();
    }, (message) => {
      state.refused = message;
      showAll();
    }),
    verify: (files) => read('verify', files, limits.dump, (sources) => {
      state.dumps = sources;
      showVerify();
    }, (message) => {
      state.dumps = null;
      fail('verify', message);
    }),
    fit: (files) => read('fit', files.slice(0, 1), limits.image, ([source]) => {
      state.fit = source;
      showFit();
    }, (message) => {
      state.fit = null;
      ++fits;
      fail('fit', message);
    }),
    'compare-a': (files) => read('compare-a', files.slice(0, 1), limits.programming, ([source]) => {
      state.compareA = source;
      showCompare();
    }, (message) => {
      state.compareA = null;
      fail('compare', message);
    }),
    'compare-b': (files) => read('compare-b', files.slice(0, 1), limits.programming, ([source]) => {
      state.compareB = source;
      showCompare();
    }, (message) => {
      state.compareB = null;
      fail('compare', message);
    }),
    gal: (files) => read('gal', files.slice(0, 1), limits.wiring, ([source]) => {
      state.galFile = source;
      state.gal = true;
      showGal();
    }, (message) => {
      state.galFile = null;
      ++gals;
      fail('gal', message);
    }),
    // A wiring file replaces the box's text only when plakit reads it.
    wiring: (files) => read('wiring', files.slice(0, 1), limits.wiring, ([source]) => {
      $('wiring').value = 'file';
      $('wiring-box').hidden = false;
      if (useWiring(source, false)) {
        state.wiringName = source.name;
        $('wiring-name').textContent = source.name;
        $('wiring-text').value = new TextDecoder().decode(source.bytes);
      }
    }, (message) => {
      $('wiring-error').textContent = message;
      $('wiring-note').textContent = 'The wiring in force has not changed.';
    }),
  };

  // Two files dropped on compare fill both sides; one fills the first side still empty.
  const compareDropped = (files) => {
    if (files.length >= 2) {
      given['compare-a']([files[0]]);
      given['compare-b']([files[1]]);
    } else {
      given[state.compareA && !state.compareB ? 'compare-b' : 'compare-a'](files);
    }
  };

  const start = () => {
    limits = plakit.limits();
    // Each choice is read, even of the file chosen last time: the input forgets it.
    const inputs = {
      programming: 'programming-file',
      verify: 'verify-file',
      fit: 'fit-file',
      'compare-a': 'compare-a-file',
      'compare-b': 'compare-b-file',
      wiring: 'wiring-file',
      gal: 'gal-file',
    };
    for (const [box, id] of Object.entries(inputs)) {
      const input = $(id);
      input.addEventListener('change', () => {
        const files = Array.from(input.files);
        input.value = '';
        if (files.length > 0) given[box](files);
      });
    }
    const areas = {
      'programming-box': given.programming,
      'wiring-section': given.wiring,
      'verify-box': given.verify,
      'fit-box': given.fit,
      'compare-box': compareDropped,
    };
    for (const [id, take] of Object.entries(areas)) {
      const area = $(id);
      area.addEventListener('dragover', (event) => {
        event.preventDefault();
        area.classList.add('over');
      });
      area.addEventListener('dragleave', () => area.classList.remove('over'));
      area.addEventListener('drop', (event) => {
        event.preventDefault();
        area.classList.remove('over');
        const files = Array.from(event.dataTransfer.files);
        if (files.length > 0) take(files);
      });
    }
    // A file dropped beside the boxes is not opened in the page's place.
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => event.preventDefault());

    for (const button of document.querySelectorAll('button.download')) {
      button.addEventListener('click', () => save(button));
    }
    $('builtin').addEventListener('click', () => {
      ++choices.programming;
      state.programming = null;
      state.refused = null;
      showAll();
    });
    $('gal-board').addEventListener('change', () => {
      $('gal-file-label').hidden = $('gal-board').value !== 'file';
      showGal();
    });
    $('gal-make').addEventListener('click', () => {
      state.gal = true;
      showGal();
    });
    $('gal-ce').addEventListener('change', showGal);
    $('fit-image').addEventListener('click', () => {
      ++choices.fit;
      state.fit = 'image';
      showFit();
    });
    for (const id of ['pairs', 'form']) $(id).addEventListener('change', showAll);
    $('wiring').addEventListener('change', () => {
      ++choices.wiring; // a wiring file still being read comes too late
      const chosen = $('wiring').value;
      $('wiring-box').hidden = chosen !== 'file';
      if (chosen !== 'file') {
        $('wiring-error').textContent = '';
        $('wiring-note').textContent = '';
        useWiring(chosen, false);
      } else {
        useWiring(boxWiring(), true);
      }
    });
    // The text box starts as the adapter's wiring file, to edit; an edit is in force
    // only once used.
    $('wiring-text').value = plakit.wiring({ wiring: 'adapter' }).text;
    $('wiring-text').addEventListener('input', () => {
      $('wiring-note').textContent = 'Edited: not in force until you press "Use this wiring".';
    });
    $('wiring-apply').addEventListener('click', () => {
      ++choices.wiring;
      useWiring(boxWiring(), true);
    });
    // Text typed, pasted or dropped into the box is held to the size of a wiring file plakit
    // reads before it goes in: more is refused whole, as a file that large is.
    $('wiring-text').addEventListener('beforeinput', (event) => {
      const box = event.target;
      const typed = event.data !== null ? event.data : event.dataTransfer && event.dataTransfer.getData('text/plain');
      const added = typed || '';
      const units = box.value.length - (box.selectionEnd - box.selectionStart) + added.length;
      // A UTF-16 unit is one to three bytes of UTF-8: only a text between the two bounds is counted.
      if (units <= limits.wiring / 3) return;
      const bytes = (text) => new TextEncoder().encode(text).length;
      const size = units > limits.wiring ? units : bytes(box.value.slice(0, box.selectionStart)) + bytes(added) +
        bytes(box.value.slice(box.selectionEnd));
      if (size <= limits.wiring) return;
      event.preventDefault();
      $('wiring-error').textContent = tooLarge(state.wiringName, limits.wiring);
      $('wiring-note').textContent = 'The text was not put in the box. The wiring in force has not changed.';
    });
    showProgramming();
    $('loading').hidden = true;
    document.body.dataset.shownAt = String(performance.now());
    document.body.dataset.ready = 'true';
  };

  // The module's WebAssembly, which the page carries gzipped in base64 (web/inline.js).
  const inflated = () => {
    const packed = Uint8Array.from(atob($('module-wasm').textContent.trim()), (c) => c.charCodeAt(0));
    return new Response(new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
  };
  inflated().then((wasmBinary) => plakit_module({ wasmBinary })).then((module) => {
    plakit = module;
    start();
  }, (error) => {
    $('loading').textContent = 'plakit: the page could not start: ' + error;
  });
})();
