// The page's script: files in, the binding's answers shown and offered for download.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);
  const state = {
    programming: null, // null: the built-in programming; else {name, bytes}
    dump: null,
    image: null,
    compareA: null,
    compareB: null,
    wiringName: 'wiring.txt', // the wiring file's name, as messages give it
  };
  let plakit = null;

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

  const setDownload = (link, bytes, type) => {
    if (link.href.startsWith('blob:')) URL.revokeObjectURL(link.href);
    link.href = URL.createObjectURL(new Blob([bytes], { type }));
  };
  // The wiring: a name, or the wiring file in the text box, as bytes.
  const wiring = () =>
    $('wiring').value === 'file'
      ? { name: state.wiringName, bytes: new TextEncoder().encode($('wiring-text').value) }
      : $('wiring').value;
  const options = () => ({ pairs: $('pairs').value, form: $('form').value, wiring: wiring() });
  const fail = (box, message) => {
    $(box + '-error').textContent = message;
    $(box + '-result').hidden = true;
  };
  const succeed = (box) => {
    $(box + '-error').textContent = '';
    $(box + '-result').hidden = false;
  };

  const showProgramming = () => {
    const answer = plakit.programming({ programming: state.programming, ...options() });
    if (!answer.ok) return fail('programming', answer.message);
    succeed('programming');
    $('programming-name').textContent = state.programming ? state.programming.name : 'the built-in one';
    $('image-crc').textContent = hex(crc32(answer.image), 8);
    setDownload($('image-download'), answer.image, 'application/octet-stream');
    setDownload($('jedec-download'), answer.jedec, 'text/plain');
    setDownload($('fuses-download'), answer.fuses, 'application/octet-stream');
    for (const form of ['pla', 'verilog', 'vhdl']) setDownload($(form + '-download'), answer[form], 'text/plain');
    $('equations').textContent = answer.equations;
    $('table').textContent = answer.table;
    state.builtImage = answer.image;
  };

  const drawMap = (expected, dump) => {
    const context = $('map').getContext('2d');
    const picture = context.createImageData(256, 256);
    const counts = Array.from({ length: 8 }, () => [0, 0]);
    let wrongBytes = 0;
    for (let address = 0; address < 65536; ++address) {
      const wrong = expected[address] ^ dump[address];
      const pixel = address * 4;
      picture.data.set(wrong ? [200, 0, 0, 255] : [225, 235, 225, 255], pixel);
      if (wrong) ++wrongBytes;
      for (let line = 0; line < 8; ++line) {
        if ((wrong >> line) & 1) ++counts[line][(expected[address] >> line) & 1 ? 0 : 1];
      }
    }
    context.putImageData(picture, 0, 0);
    $('map').setAttribute('aria-label', `Map of the 65,536 addresses: ${wrongBytes} wrong`);
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

  const showVerify = () => {
    if (!state.dump) return;
    const answer = plakit.verify({ dump: state.dump, programming: state.programming, ...options() });
    if (!answer.ok) return fail('verify', answer.message);
    succeed('verify');
    $('verify-text').textContent = answer.text;
    const whole = state.dump.bytes.length === 65536;
    $('verify-map').hidden = !whole;
    if (whole) drawMap(answer.expected, state.dump.bytes);
  };

  // A fit takes milliseconds, at most a few seconds: the page says so first.
  const showFit = () => {
    if (!state.image) return;
    const image = state.image;
    $('fit-error').textContent = '';
    $('fit-result').hidden = false;
    $('fit-line').textContent = 'Fitting ' + image.name + '…';
    $('fit-download').hidden = true;
    $('fit-table').textContent = '';
    requestAnimationFrame(() => setTimeout(() => {
      const answer = plakit.fit({ image, ...options() });
      if (!answer.ok) return fail('fit', answer.message);
      succeed('fit');
      $('fit-line').textContent = answer.line;
      setDownload($('fit-download'), answer.jedec, 'text/plain');
      $('fit-download').hidden = false;
      $('fit-table').textContent = answer.table;
    }, 0));
  };

  const showCompare = () => {
    if (!state.compareA || !state.compareB) return;
    const answer = plakit.compare({ a: state.compareA, b: state.compareB, ...options() });
    if (!answer.ok) return fail('compare', answer.message);
    succeed('compare');
    $('compare-verdict').textContent = answer.status === 0 ? 'The same logic' : 'Different logic';
    $('compare-text').textContent = answer.text;
  };

  // The wiring file checked as plakit wiring --wiring FILE reads it.
  const checkWiring = () => {
    $('wiring-box').hidden = $('wiring').value !== 'file';
    const answer = plakit.wiring({ wiring: wiring() });
    $('wiring-error').textContent = answer.ok ? '' : answer.message;
  };

  const showAll = () => {
    checkWiring();
    showProgramming();
    showVerify();
    showFit();
    showCompare();
  };

  const shows = {
    programming: showProgramming,
    verify: showVerify,
    fit: showFit,
    'compare-a': showCompare,
    'compare-b': showCompare,
  };
  const given = (box, file) => {
    file.arrayBuffer().then((buffer) => {
      const source = { name: file.name, bytes: new Uint8Array(buffer) };
      if (box === 'programming') state.programming = source;
      else if (box === 'verify') state.dump = source;
      else if (box === 'fit') state.image = source;
      else if (box === 'compare-a') state.compareA = source;
      else state.compareB = source;
      shows[box]();
      if (box === 'programming') showVerify();
    }, (error) => fail(box.replace(/-[ab]$/, ''), 'plakit: ' + file.name + ': ' + error.message));
  };

  const start = () => {
    for (const box of ['compare-a', 'compare-b']) {
      const input = $(box + '-file');
      input.addEventListener('change', () => {
        if (input.files.length > 0) given(box, input.files[0]);
      });
    }
    for (const box of ['programming', 'verify', 'fit']) {
      const input = $(box + '-file');
      input.addEventListener('change', () => {
        if (input.files.length > 0) given(box, input.files[0]);
      });
      const area = $(box + '-box');
      area.addEventListener('dragover', (event) => {
        event.preventDefault();
        area.classList.add('over');
      });
      area.addEventListener('dragleave', () => area.classList.remove('over'));
      area.addEventListener('drop', (event) => {
        event.preventDefault();
        area.classList.remove('over');
        if (event.dataTransfer.files.length > 0) given(box, event.dataTransfer.files[0]);
      });
    }
    // A file dropped beside the boxes is not opened in the page's place.
    window.addEventListener('dragover', (event) => event.preventDefault());
    window.addEventListener('drop', (event) => event.preventDefault());
    $('builtin').addEventListener('click', () => {
      state.programming = null;
      $('programming-file').value = '';
      showProgramming();
      showVerify();
    });
    $('fit-image').addEventListener('click', () => {
      state.image = { name: '82S100_EPROM.bin', bytes: state.builtImage };
      showFit();
    });
    for (const id of ['pairs', 'form', 'wiring']) $(id).addEventListener('change', showAll);
    // The text box starts as the adapter's wiring file, to edit.
    $('wiring-text').value = plakit.wiring({ wiring: 'adapter' }).text;
    $('wiring-apply').addEventListener('click', showAll);
    $('wiring-file').addEventListener('change', () => {
      const file = $('wiring-file').files[0];
      if (!file) return;
      file.text().then((text) => {
        state.wiringName = file.name;
        $('wiring-name').textContent = file.name;
        $('wiring-text').value = text;
        showAll();
      });
    });
    showProgramming();
    $('loading').hidden = true;
    document.body.dataset.ready = 'true';
  };

  plakit_module().then((module) => {
    plakit = module;
    start();
  }, (error) => {
    $('loading').textContent = 'plakit: the page could not start: ' + error;
  });
})();
