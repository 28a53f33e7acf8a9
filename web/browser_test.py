#!/usr/bin/python3
"""The page in headless Chromium, opened from disk, held against plakit built natively.

Usage: browser_test.py PAGE NATIVE_PLAKIT SCREENSHOT_FOLDER AXE_SCRIPT

Gives the page the built-in programming, a random programming's JEDEC file, dumps with a
stuck data line and with a few wrong bytes, bad and oversized files in every box, the
built-in image to fit, the random programming as a fuse file and a Berkeley PLA, wiring
files (typed, bad, loaded, dropped), two programmings to compare, and the built-in
programming as a GAL pair (and a board file refused); the files it offers
for download and the texts it shows must be plakit's for the same files. It also holds
the page's state to its inputs: a file chosen again is read again, a file too large is
refused before it is read, a result follows the inputs it came from, a slow read that
ends after a later choice is dropped, the wiring in force is the one used. axe-core
(AXE_SCRIPT) must find no violation in any state; downloads work from the keyboard; the
focus ring has 3:1 contrast; no console error, no network request. A screenshot of each
state goes to SCREENSHOT_FOLDER, at 1280 and at 390 px wide.
"""
import base64
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

page, plakit, shots, axe_script = (os.path.abspath(arg) for arg in sys.argv[1:5])
os.makedirs(shots, exist_ok=True)
work = tempfile.mkdtemp(prefix="plakit-browser-")
downloads = os.path.join(work, "downloads")
os.mkdir(downloads)
failures = []
with open(axe_script, encoding="utf-8") as source:
    axe_source = source.read()


def native(*args):
    """plakit run in the scratch folder: (status, stdout bytes, stderr text)."""
    run = subprocess.run([plakit, *args], cwd=work, capture_output=True, check=False)
    return run.returncode, run.stdout, run.stderr.decode()


def put(name, data):
    file = os.path.join(work, name)
    with open(file, "wb") as out:
        out.write(data)
    return file


def sparse(name, size):
    """A file of `size` bytes that takes no room on disk."""
    file = os.path.join(work, name)
    with open(file, "wb") as out:
        out.truncate(size)
    return file


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def random_jedec(seed):
    """A random programming as a minimal JEDEC file: each term needs a few inputs."""
    draw = random.Random(seed)
    fuses = ""
    for _ in range(48):
        fuses += "".join(draw.choice(["11", "11", "11", "11", "01", "10"]) for _ in range(16))
        fuses += "".join(draw.choice("011") for _ in range(8))
    fuses += "".join(draw.choice("01") for _ in range(8))
    return ("\x02random programming*QF1928*F0*L0000 " + fuses + "*\x030000").encode()


def luminance(rgb):
    """WCAG's relative luminance of an sRGB colour, components 0 to 255."""
    def linear(component):
        c = component / 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    red, green, blue = (linear(c) for c in rgb)
    return 0.2126 * red + 0.7152 * green + 0.0722 * blue


def contrast(first, second):
    lighter, darker = sorted((luminance(first), luminance(second)), reverse=True)
    return (lighter + 0.05) / (darker + 0.05)


options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--user-data-dir=" + os.path.join(work, "profile"),
             "--window-size=1280,2400"):
    options.add_argument(flag)
options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                          "download.prompt_for_download": False})
options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
wait = WebDriverWait(driver, 30)


def element(element_id):
    return driver.find_element(By.ID, element_id)


def text(element_id):
    return element(element_id).text


def shown_text(element_id):
    """The element's text as it is, not as rendered (white space kept)."""
    return driver.execute_script("return document.getElementById(arguments[0]).textContent", element_id)


def script(body, *args):
    return driver.execute_script(body, *args)


def downloaded(name, press):
    """Runs `press` and returns the bytes of the file it saves as `name`."""
    for old in os.listdir(downloads):
        os.remove(os.path.join(downloads, old))
    press()
    target = os.path.join(downloads, name)
    deadline = time.time() + 20
    while time.time() < deadline:
        if os.path.exists(target) and not any(f.endswith(".crdownload") for f in os.listdir(downloads)):
            with open(target, "rb") as data:
                return data.read()
        time.sleep(0.05)
    failures.append(f"no {name} downloaded (folder: {os.listdir(downloads)})")
    return b""


def download(button_id, name):
    """Opens the closed part that holds the button, clicks it and returns the file's bytes."""
    script("const b = document.getElementById(arguments[0]); const d = b.closest('details'); if (d) d.open = true;",
           button_id)
    return downloaded(name, element(button_id).click)


def give(input_id, *files):
    element(input_id).send_keys("\n".join(files))


def drop(area_id, files):
    """Drops files ([(name, bytes)]) on the element, as a drag from the desktop does."""
    script("""
        const carried = new DataTransfer();
        for (const [name, data] of arguments[1]) {
            carried.items.add(new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], name));
        }
        document.getElementById(arguments[0]).dispatchEvent(
            new DragEvent('drop', {dataTransfer: carried, bubbles: true, cancelable: true}));""",
           area_id, [[name, base64.b64encode(data).decode()] for name, data in files])


def choose(select_id, value):
    """Chooses in a select, opening the closed part that holds it first."""
    script("const d = document.getElementById(arguments[0]).closest('details'); if (d) d.open = true;", select_id)
    Select(element(select_id)).select_by_value(value)


def shot(name):
    driver.save_screenshot(os.path.join(shots, name + ".png"))


def axe(state):
    """axe-core over the page as it is: every rule it runs by default, best practices too."""
    if not script("return typeof window.axe === 'object'"):
        script(axe_source)
    result = driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        axe.run(document, {resultTypes: ['violations']}).then(
            (r) => done(r.violations.map((v) => v.id + ': ' + v.nodes.map((n) => n.target.join(' ')).join(', '))),
            (e) => done(['axe failed: ' + e]));""")
    expect(not result, f"axe-core, {state}: {result}")


class stage:
    """A part of the test: an exception in it (a missing element, a wait that times out) is
    one failure, and the parts after it still run."""

    def __init__(self, name):
        self.name = name

    def __enter__(self):
        return self

    def __exit__(self, kind, value, _trace):
        if kind is None or not issubclass(kind, Exception):
            return False
        first = str(value).strip().splitlines()
        expect(False, f"{self.name}: {kind.__name__} {first[0] if first else ''}")
        return True


def image_of(*args):
    return native("image", *args, "-o", "-")[1]


try:
    with stage("opening"):
        driver.set_script_timeout(60)
        started = time.time()
        driver.get("file://" + page)
        wait.until(lambda d: d.execute_script("return document.body.dataset.ready === 'true'"))
        print(f"ready {time.time() - started:.3f} s after the request (Selenium's clock); the image's CRC shown "
              f"{float(script('return document.body.dataset.shownAt')) / 1000:.3f} s after navigation began")

    with stage("first screen"):
        # The first screen: the built-in programming, the steps in order, the long texts closed.
        expect(text("image-crc") == "0x0926A7A7", "first screen: CRC " + text("image-crc"))
        headings = [h.text for h in driver.find_elements(By.CSS_SELECTOR, "main section h2")][:4]
        expect([h[:2] for h in headings] == ["1.", "2.", "3.", "4."], f"first screen: steps {headings}")
        expect(script("return document.querySelectorAll('details[open]').length") == 0, "first screen: a text open")
        expect("built-in" in text("programming-box") and "0x0926A7A7" in text("programming-box"),
               "first screen: the built-in programming is not described")
        # Described by its terms and polarities as plakit reads them, not by its CRC alone;
        # and nothing points to a document the page does not carry.
        table = native("equations", "--table")[1].decode().splitlines()
        polarity = table[-1].split()[-1]
        low = [f"F{k}" for k, letter in enumerate(polarity) if letter == "L"]
        described = f"{len(table) - 2} of its 48 product terms drive the outputs"
        expect(described in text("programming-box") and polarity == "HLLLLLLL"
               and "F0 active high and F1 to F7 active low" in text("programming-box"),
               f"first screen: not '{described}', polarity {polarity} (active low: {low})")
        expect("project describes" not in text("wiring-section")
               and script("return document.querySelectorAll('a[href]').length") == 0,
               "first screen: the wiring's words point to documents the page does not carry")
        for select_id in ("form", "pairs", "wiring"):
            described = script("return document.getElementById(document.getElementById(arguments[0])"
                               ".getAttribute('aria-describedby') || 'none')?.textContent || ''", select_id)
            expect("hange" in described or "Keep" in described, f"option {select_id}: no word on when to change it")
        expect(download("image-download", "82S100_EPROM.bin") == image_of(), "built-in image")
        expect(download("jedec-download", "82S100.jed") == native("jedec")[1], "built-in JEDEC file")
        expect(shown_text("equations") == native("equations")[1].decode(), "built-in equations")
        script("for (const d of document.querySelectorAll('details')) d.open = false; window.scrollTo(0, 0)")
        shot("1-first-screen")
        axe("first screen")

    with stage("names and announcements"):
        # Every control named, each name its own; the results in live regions.
        # (the closed and hidden ones opened and shown for the count, then put back)
        script("""for (const d of document.querySelectorAll('details')) d.open = true;
            for (const e of document.querySelectorAll('main [hidden]')) { e.dataset.wasHidden = ''; e.hidden = false; }""")
        controls = driver.find_elements(By.CSS_SELECTOR, "input, select, textarea, button")
        names = [(c.get_attribute("id"), c.accessible_name) for c in controls]
        script("""for (const d of document.querySelectorAll('details')) d.open = false;
            for (const e of document.querySelectorAll('[data-was-hidden]')) { e.hidden = true; delete e.dataset.wasHidden; }""")
        expect(all(name.strip() for _, name in names), f"controls without a name: {names}")
        buttons = [name for _, name in names if name.startswith("Download")]
        expect(len(buttons) == len(set(buttons)), f"two download buttons of one name: {buttons}")
        expect(not [n for _, n in names if n.strip() in ("A", "B", "load one")], f"controls named vaguely: {names}")
        for result_id in ("image-crc", "programming-name", "verify-verdict", "fit-line", "compare-verdict",
                          "wiring-in-force", "programming-error", "wiring-error", "verify-error"):
            expect(script("return !!document.getElementById(arguments[0]).closest("
                          "'[role=status], [role=alert], [aria-live]')", result_id), result_id + ": not announced")
        expect(script("return document.querySelectorAll('a.download, a[download]').length") == 0,
               "downloads are links")

    with stage("downloads from the keyboard"):
        # Downloads work from the keyboard as buttons do: Space, then Enter.
        expect(downloaded("82S100_EPROM.bin", lambda: element("image-download").send_keys(Keys.SPACE)) == image_of(),
               "image download by Space")
        expect(downloaded("82S100_EPROM.bin", lambda: element("image-download").send_keys(Keys.ENTER)) == image_of(),
               "image download by Enter")

    with stage("focus ring"):
        # The focus ring, reached with Tab: at least 3:1 against the page.
        script("document.getElementById('builtin').focus()")
        element("builtin").send_keys(Keys.TAB)
        ring = script("""const s = getComputedStyle(document.activeElement);
            return [document.activeElement.id, s.outlineStyle, parseFloat(s.outlineWidth), s.outlineColor];""")
        colour = [int(c) for c in ring[3][ring[3].index("(") + 1:ring[3].index(")")].split(",")[:3]]
        expect(ring[1] != "none" and ring[2] >= 2 and contrast(colour, (255, 255, 255)) >= 3,
               f"focus ring {ring}: contrast {contrast(colour, (255, 255, 255)):.2f}")

    with stage("options"):
        # The options chosen on the page: plakit's --pairs and --wiring.
        choose("pairs", "true-first")
        choose("wiring", "straight")
        expect(text("wiring-in-force") == "straight", "wiring in force: " + text("wiring-in-force"))
        expect(download("image-download", "82S100_EPROM.bin") == image_of("--wiring", "straight"),
               "built-in image, straight")
        expect(download("jedec-download", "82S100.jed") == native("jedec", "--pairs", "true-first")[1],
               "built-in JEDEC file, true-first")
        choose("pairs", "complement-first")
        choose("wiring", "adapter")

    with stage("a random programming"):
        # A random programming's JEDEC file.
        put("random.jed", random_jedec(5))
        give("programming-file", os.path.join(work, "random.jed"))
        wait.until(lambda d: text("programming-name") == "random.jed")
        image = download("image-download", "82S100_EPROM.bin")
        expect(image == image_of("random.jed"), "random programming's image")
        put("written.jed", download("jedec-download", "82S100.jed"))
        expect(image_of("written.jed") == image, "random programming's JEDEC file read back")
        expect(shown_text("equations") == native("equations", "random.jed")[1].decode(), "random equations")
        expect(shown_text("table") == native("equations", "random.jed", "--table")[1].decode(), "random table")
        shot("2-random-jedec")

    with stage("a stuck data line"):
        # A dump with data line D3 stuck at 0, against the built-in programming: the verdict
        # first, then plakit verify's report, the map and the lines.
        element("builtin").click()
        builtin_image = image_of()
        put("d3.bin", bytes(byte & ~0x08 for byte in builtin_image))
        give("verify-file", os.path.join(work, "d3.bin"))
        wait.until(lambda d: shown_text("verify-text") != "")
        status, out, _ = native("verify", "d3.bin")
        expect(status == 1 and shown_text("verify-text") == out.decode(), "verify text: " + shown_text("verify-text"))
        verdict = text("verify-verdict")
        expect(verdict == out.decode().splitlines()[0], "verdict: " + verdict)
        d3_row = [cell.text for cell in driver.find_elements(By.CSS_SELECTOR, "#line-errors tr:nth-child(4) td")]
        ones = sum(1 for byte in builtin_image if byte & 0x08)
        expect(d3_row == ["D3", str(ones), "0"], f"D3 row {d3_row}, expected {ones} read 0 for 1")
        other_rows = driver.find_elements(By.CSS_SELECTOR, "#line-errors tr")
        expect(all(row.text.split()[1:] == ["0", "0"] for i, row in enumerate(other_rows) if i != 3), "other lines")
        count_red = ("const c = document.getElementById('map').getContext('2d').getImageData(0, 0, 256, 256).data;"
                     "let red = 0, marked = 0; for (let i = 0; i < c.length; i += 4) {"
                     "if (c[i] === 200 && c[i + 1] === 0) ++red; else if (c[i] < 100) ++marked; } return [red, marked];")
        red, _ = script(count_red)
        expect(red == ones, f"map: {red} addresses marked, {ones} wrong")
        expect(text("map-count") == f"{ones:,} wrong bytes of 65,536", "map count: " + text("map-count"))
        script("document.getElementById('verify-box').scrollIntoView()")
        shot("3-stuck-dump")
        axe("a stuck data line")

    with stage("five wrong bytes"):
        # Five wrong bytes: ringed so that they are seen, and counted. The same file chosen
        # again, now right, is read again.
        five = bytearray(builtin_image)
        for address in (0x0123, 0x4567, 0x89AB, 0xCDEF, 0xFFFF):
            five[address] ^= 0x10
        put("dump.bin", bytes(five))
        give("verify-file", os.path.join(work, "dump.bin"))
        wait.until(lambda d: text("map-count").startswith("5 "))
        red, marked = script(count_red)
        expect(red == 5 and marked >= 5 * 24 and text("map-count") == "5 wrong bytes of 65,536",
               f"five wrong bytes: {red} red, {marked} marked, '{text('map-count')}'")
        expect(shown_text("verify-text") == native("verify", "dump.bin")[1].decode(), "five wrong: verify text")
        shot("4-five-wrong")
        put("dump.bin", builtin_image)
        give("verify-file", os.path.join(work, "dump.bin"))
        wait.until(lambda d: text("verify-verdict") != "" and not text("map-count").startswith("5 "))
        expect(text("verify-verdict") == "dump.bin: matches the image" and text("map-count") == "No wrong byte of 65,536",
               "the same name chosen again: " + text("verify-verdict") + " / " + text("map-count"))
    with stage("two reads"):
        # Two reads of one chip, chosen together, go to plakit verify together: its text for
        # both, and the map shows the one picked.
        give("verify-file", os.path.join(work, "dump.bin"), os.path.join(work, "d3.bin"))
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#verify-read option")) == 2
                   or text("verify-error") != "")
        expect(text("verify-error") == "", "two reads refused: " + text("verify-error"))
        expect(text("verify-reads") == "Reads: dump.bin, d3.bin", "the reads named: " + text("verify-reads"))
        expect(shown_text("verify-text") == native("verify", "dump.bin", "d3.bin")[1].decode(), "two reads: verify text")
        choose("verify-read", "1")
        expect(text("map-count") == f"{ones:,} wrong bytes of 65,536", "second read's map: " + text("map-count"))

    with stage("reads that differ, and a larger chip"):
        # The verdict is verify's headline, its first line, whatever the lines after it say:
        # two reads that differ in a byte (what they agree on matches), and a 27C010 whose
        # second copy differs.
        weak = bytearray(builtin_image)
        weak[0x0100] ^= 0x48
        put("weak.bin", bytes(weak))
        give("verify-file", os.path.join(work, "dump.bin"), os.path.join(work, "weak.bin"))
        wait.until(lambda d: text("verify-reads") == "Reads: dump.bin, weak.bin")
        status, out, _ = native("verify", "dump.bin", "weak.bin")
        expect(status == 1 and text("verify-verdict") == out.decode().splitlines()[0]
               and "bad" in element("verify-verdict").get_attribute("class"),
               "reads that differ: " + text("verify-verdict") + " / " + out.decode())
        put("27c010.bin", builtin_image + bytes(weak))
        give("verify-file", os.path.join(work, "27c010.bin"))
        wait.until(lambda d: text("verify-reads") == "Read: 27c010.bin")
        status, out, _ = native("verify", "27c010.bin")
        expect(status == 1 and text("verify-verdict") == out.decode().splitlines()[0],
               "a larger chip: " + text("verify-verdict") + " / " + out.decode())

    with stage("mix-ups"):
        # An image burned through another wiring, and one of a JEDEC file read with the
        # other pair order: plakit verify names each mix-up, and so does the page.
        # Noise: the verdict is the report's last line about the read, not its details.
        put("noise.bin", bytes(byte ^ 0x55 if address % 7 == 0 else byte for address, byte in enumerate(builtin_image)))
        give("verify-file", os.path.join(work, "noise.bin"))
        wait.until(lambda d: shown_text("verify-text").startswith("noise.bin"))
        out = native("verify", "noise.bin")[1].decode()
        expect(shown_text("verify-text") == out and text("verify-verdict") == out.splitlines()[0],
               "noise: verdict " + text("verify-verdict"))
        put("straight.bin", image_of("--wiring", "straight"))
        give("verify-file", os.path.join(work, "straight.bin"))
        wait.until(lambda d: shown_text("verify-text").startswith("straight.bin"))
        out = native("verify", "straight.bin")[1].decode()
        expect(shown_text("verify-text") == out and "no single fault" not in out, "another wiring: " + out)
        expect(text("verify-verdict") == out.splitlines()[0], "another wiring: verdict " + text("verify-verdict"))
        give("programming-file", os.path.join(work, "random.jed"))
        wait.until(lambda d: text("programming-name") == "random.jed")
        put("pairs.bin", image_of("random.jed", "--pairs", "true-first"))
        give("verify-file", os.path.join(work, "pairs.bin"))
        wait.until(lambda d: shown_text("verify-text").startswith("pairs.bin"))
        out = native("verify", "pairs.bin", "--jedec", "random.jed")[1].decode()
        expect(shown_text("verify-text") == out and "no single fault" not in out, "the other pair order: " + out)
        element("builtin").click()

    with stage("a dropped programming"):
        # A file dropped on the programming's box is read as one chosen (the JEDEC file of the
        # built-in programming, as plakit writes it).
        drop("programming-box", [("dropped.jed", native("jedec")[1])])
        wait.until(lambda d: text("programming-name") == "dropped.jed")
        expect(text("image-crc") == "0x0926A7A7", "dropped file: CRC " + text("image-crc"))

    with stage("equations without their end line"):
        # Read, with plakit's warning where the box shows plakit's lines, the image beside it.
        equations = native("equations")[1].decode()
        put("cut.eqn", equations[:-len("# end\n")].encode())
        give("programming-file", os.path.join(work, "cut.eqn"))
        wait.until(lambda d: text("programming-name") == "cut.eqn")
        status, _, err = native("image", "cut.eqn", "-o", "-")
        expect(status == 0 and err.startswith("plakit: cut.eqn: warning: "), "plakit: " + err)
        expect(shown_text("programming-error") + "\n" == err, "warning: " + shown_text("programming-error"))
        expect(text("image-crc") == "0x0926A7A7", "equations without their end line: CRC " + text("image-crc"))
        element("builtin").click()
        wait.until(lambda d: text("programming-error") == "")

    with stage("a bad file"):
        # A bad file: the line plakit prints; the image, and verify's result, go with it. The
        # same file, mended and chosen again, is read again.
        put("bad.jed", b"\x02bad*QF1928*L0000 0101*\x030000")
        give("programming-file", os.path.join(work, "bad.jed"))
        wait.until(lambda d: text("programming-error") != "")
        _, _, err = native("image", "bad.jed", "-o", "never.bin")
        expect(text("programming-error") + "\n" == err, "bad file: " + text("programming-error"))
        expect(not element("image-result").is_displayed() and not element("verify-result").is_displayed(),
               "bad file: an image or verdict still shown")
        # Step 4 says why it shows nothing, as step 3 does.
        expect(element("verify-none").is_displayed() and element("image-none").is_displayed(),
               "bad file: step 3 or step 4 left blank")
        script("window.scrollTo(0, 0)")
        shot("5-bad-file")
        axe("a bad file")
        put("bad.jed", native("jedec")[1])
        give("programming-file", os.path.join(work, "bad.jed"))
        wait.until(lambda d: text("programming-error") == "" and text("programming-name") == "bad.jed")
        expect(text("image-crc") == "0x0926A7A7", "the mended file chosen again: CRC " + text("image-crc"))

    with stage("a slow read"):
        # A slow read that ends after a later choice does not overwrite it.
        script("""const read = Blob.prototype.arrayBuffer;
            Blob.prototype.arrayBuffer = function () {
                const answer = read.call(this);
                return this.name === 'slow.jed' ? new Promise((r) => setTimeout(() => r(answer), 1500)) : answer;
            };""")
        put("slow.jed", random_jedec(9))
        give("programming-file", os.path.join(work, "slow.jed"))
        give("programming-file", os.path.join(work, "random.jed"))
        wait.until(lambda d: text("programming-name") == "random.jed")
        time.sleep(2)
        expect(text("programming-name") == "random.jed", "a slow read overwrote a later one: " + text("programming-name"))

    with stage("files too large"):
        # A file larger than plakit reads is refused, in every box, before it is read: the
        # boxes' results go, the wiring's text stays.
        script("""window.readNames = []; const read = Blob.prototype.arrayBuffer, text = Blob.prototype.text;
            Blob.prototype.arrayBuffer = function () { window.readNames.push(this.name); return read.call(this); };
            Blob.prototype.text = function () { window.readNames.push(this.name); return text.call(this); };""")
        choose("wiring", "file")
        typed = shown_text("wiring-text")
        for box, name, size, args in (("programming", "big.jed", (1 << 20) + 1, ("image", "big.jed", "-o", "x.bin")),
                                      ("verify", "big.bin", (16 << 20) + 1, ("verify", "big.bin")),
                                      ("fit", "big.img", (16 << 20) + 1, ("fit", "big.img")),
                                      ("compare-a", "big-a.jed", (1 << 20) + 1, ("compare", "big-a.jed", "random.jed")),
                                      ("wiring", "big.txt", (64 << 10) + 1, ("wiring", "--wiring", "big.txt"))):
            sparse(name, size)
            give(box + "-file", os.path.join(work, name))
            error_id = box.replace("-a", "") + "-error"
            wait.until(lambda d, error_id=error_id: text(error_id) != "")
            expect(text(error_id) + "\n" == native(*args)[2], f"{box}: {text(error_id)}")
        expect(script("return window.readNames") == [], "files read before their size was checked: "
               + str(script("return window.readNames")))
        expect(shown_text("wiring-text") == typed and text("wiring-in-force") == "the wiring file wiring.txt",
               "a refused wiring file changed the box or the wiring in force")
        choose("wiring", "adapter")

    with stage("fits"):
        # The built-in image fitted; the fit of step 3's image follows the programming and
        # the wiring chosen after it.
        element("builtin").click()
        put("82S100_EPROM.bin", builtin_image)
        give("fit-file", os.path.join(work, "82S100_EPROM.bin"))
        wait.until(lambda d: text("fit-line").startswith("plakit: "))
        status, out, err = native("fit", "82S100_EPROM.bin")
        expect(status == 0 and text("fit-line") + "\n" == err, "fit line: " + text("fit-line"))
        expect(download("fit-download", "fit.jed") == out, "fitted JEDEC file")
        script("document.getElementById('fit-box').scrollIntoView()")
        shot("6-fit")
        axe("a fit")
        element("fit-image").click()
        give("programming-file", os.path.join(work, "random.jed"))
        wait.until(lambda d: text("programming-name") == "random.jed")
        put("random.bin", image)
        status, out, err = native("fit", "random.bin")
        wait.until(lambda d: text("fit-line").startswith("plakit: "))
        expect(text("fit-line") + "\n" == err.replace("random.bin", "82S100_EPROM.bin")
               and download("fit-download", "fit.jed") == out, "the fit of step 3's image after a new programming")
        choose("wiring", "straight")
        put("random-straight.bin", image_of("random.jed", "--wiring", "straight"))
        status, out, err = native("fit", "random-straight.bin", "--wiring", "straight")
        time.sleep(0.2)
        wait.until(lambda d: text("fit-line").startswith("plakit: "))
        expect(download("fit-download", "fit.jed") == out, "the fit of step 3's image after a new wiring")
        choose("wiring", "adapter")
    with stage("a fit under another form"):
        # The form chosen for programming files is not the fit's: the fit of an image, with
        # the form set to Berkeley PLA, is plakit fit's, and so is its program table.
        choose("form", "pla")
        give("fit-file", os.path.join(work, "82S100_EPROM.bin"))
        wait.until(lambda d: text("fit-line").startswith("plakit: 82S100_EPROM.bin") or text("fit-error") != "")
        status, out, err = native("fit", "82S100_EPROM.bin", "-o", "fitted.jed")
        expect(text("fit-error") == "" and text("fit-line") + "\n" == err, "fit under --from pla: " + text("fit-error"))
        expect(shown_text("fit-table") == native("equations", "--table", "fitted.jed")[1].decode(),
               "fit under --from pla: the program table")
        choose("form", "automatic")
    with stage("a dropped fit"):
        # A fit dropped on its box.
        drop("fit-box", [("dropped.bin", builtin_image)])
        wait.until(lambda d: text("fit-line").startswith("plakit: dropped.bin: "))

    with stage("other forms"):
        # The same random programming as a fuse file and as a Berkeley PLA: its image; and the
        # programming offered in the other forms.
        expect(download("fuses-download", "82S100.fuses") == native("convert", "random.jed", "--to", "fuses")[1],
               "random programming's fuse file")
        expect(download("vhdl-download", "pla_82s100.vhd") == native("convert", "random.jed", "--to", "vhdl")[1],
               "random programming's VHDL")
        for form, name in (("fuses", "random.fuses"), ("pla", "random.pla")):
            native("convert", "random.jed", "--to", form, "-o", name)
            give("programming-file", os.path.join(work, name))
            wait.until(lambda d, name=name: text("programming-name") == name)
            expect(download("image-download", "82S100_EPROM.bin") == image, name + ": image")
        choose("form", "table")
        wait.until(lambda d: text("programming-error") != "")
        expect(shown_text("programming-error") + "\n" == native("image", "random.pla", "--from", "table", "-o", "x.bin")[2],
               "pla read as a table: " + shown_text("programming-error"))
        choose("form", "automatic")

    with stage("wiring files"):
        # A wiring file: the straight wiring with A3 and D7 through inverters. Typed in the box
        # it is in force only once used; with a fault, the fault shows in its own box, with
        # its line selected, and the wiring in force stays.
        straight = native("wiring", "--wiring", "straight")[1].decode()
        inverted = straight.replace("\nA3 I3\n", "\nA3 /I3\n").replace("\nD7 F7\n", "\nD7 /F7\n")
        choose("wiring", "file")
        expect(download("image-download", "82S100_EPROM.bin") == image, "the box's first text: not the adapter's wiring")
        element("wiring-text").clear()
        element("wiring-text").send_keys(inverted)
        choose("pairs", "true-first")
        expect(download("image-download", "82S100_EPROM.bin") == image, "an edit in force before it was used")
        choose("pairs", "complement-first")
        faulty = inverted.replace("\nA5 I5\n", "\nA5 I16\n")
        script("document.getElementById('wiring-text').value = arguments[0]", faulty)
        element("wiring-apply").click()
        wait.until(lambda d: text("wiring-error") != "")
        put("wiring.txt", faulty.encode())
        err = native("image", "--wiring", "wiring.txt", "-o", "x.bin")[2]
        expect(text("wiring-error") + "\n" == err and text("programming-error") == "",
               "bad wiring file: " + text("wiring-error") + " / " + text("programming-error"))
        line = int(err.split(":")[2])
        selected = script("const t = document.getElementById('wiring-text');"
                          "return t.value.slice(0, t.selectionStart).split('\\n').length")
        expect(selected == line and f"Line {line}" in text("wiring-note"), f"bad wiring: line {selected} selected")
        in_sight = script("""const t = document.getElementById('wiring-text');
            const top = (arguments[0] - 1) * parseFloat(getComputedStyle(t).lineHeight);
            return top >= t.scrollTop && top < t.scrollTop + t.clientHeight;""", line)
        expect(in_sight, "bad wiring: the selected line is scrolled out of the box")
        expect(download("image-download", "82S100_EPROM.bin") == image, "a bad wiring file put in force")
        script("document.getElementById('wiring-section').scrollIntoView()")
        shot("7-bad-wiring")
        axe("a bad wiring file")
        put("inverted.txt", inverted.encode())
        give("wiring-file", os.path.join(work, "inverted.txt"))
        wait.until(lambda d: text("wiring-name") == "inverted.txt" and text("wiring-error") == "")
        expect(download("image-download", "82S100_EPROM.bin") == image_of("random.pla", "--wiring", "inverted.txt"),
               "image through the wiring file")
        choose("wiring", "adapter")
    with stage("a dropped wiring file"):
        # A wiring file dropped on the wiring's box.
        drop("wiring-section", [("dropped.txt", inverted.encode())])
        wait.until(lambda d: text("wiring-in-force") == "the wiring file dropped.txt")
        expect(download("image-download", "82S100_EPROM.bin") == image_of("random.pla", "--wiring", "inverted.txt"),
               "image through the dropped wiring file")
        choose("wiring", "adapter")

    with stage("a slow wiring file"):
        # A wiring file still being read when a named wiring is chosen does not replace it.
        script("""const read = Blob.prototype.arrayBuffer;
            Blob.prototype.arrayBuffer = function () {
                const answer = read.call(this);
                return this.name === 'slow.txt' ? new Promise((r) => setTimeout(() => r(answer), 1500)) : answer;
            };""")
        put("slow.txt", inverted.encode())
        choose("wiring", "file")
        give("wiring-file", os.path.join(work, "slow.txt"))
        choose("wiring", "straight")
        time.sleep(2)
        expect(text("wiring-in-force") == "straight", "a slow wiring file overrode straight: " + text("wiring-in-force"))
        choose("wiring", "adapter")
    with stage("a wiring file refused under a named wiring"):
        # Dropped and refused while the adapter's wiring is chosen, the file's line shows all the same.
        sparse("large.txt", (64 << 10) + 1)
        drop("wiring-section", [("large.txt", bytes((64 << 10) + 1))])
        wait.until(lambda d: shown_text("wiring-error") != "")
        expect(element("wiring-error").is_displayed()
               and text("wiring-error") + "\n" == native("wiring", "--wiring", "large.txt")[2],
               "a wiring file refused out of sight: " + shown_text("wiring-error"))
        expect(text("wiring-in-force") == "the adapter's", "in force: " + text("wiring-in-force"))
        choose("wiring", "adapter")
    with stage("text pasted into the wiring box"):
        # More text than plakit reads of a wiring file is refused before it goes in the box.
        choose("wiring", "file")
        box_text = "return document.getElementById('wiring-text').value"
        before = script(box_text)
        script("const t = document.getElementById('wiring-text'); t.focus(); t.setSelectionRange(0, 0);")
        driver.execute_cdp_cmd("Input.insertText", {"text": "# " + "x" * (1 << 20) + "\n"})
        put("pasted.txt", ("# " + "x" * (1 << 20) + "\n" + before).encode())
        refusal = native("wiring", "--wiring", "pasted.txt")[2].replace("pasted.txt", text("wiring-name"))
        expect(script(box_text) == before and element("wiring-error").is_displayed()
               and text("wiring-error") + "\n" == refusal,
               f"a paste of 1 MiB: {len(script(box_text))} characters in the box, '{text('wiring-error')}'")
        driver.execute_cdp_cmd("Input.insertText", {"text": "# a comment\n"})
        expect(before.startswith("# ") and script(box_text) == "# a comment\n" + before, "a short text typed is refused")
        choose("wiring", "adapter")
    with stage("the GAL pair"):
        # The built-in programming as two GAL22V10s: plakit gal's line, its three files, and
        # the board as the table in the board file; then a board file refused with its line.
        element("builtin").click()
        element("gal-make").click()
        wait.until(lambda d: text("gal-line").startswith("plakit: "))
        status, _, err = native("gal")
        expect(status == 0 and text("gal-line") + "\n" == err, "gal line: " + text("gal-line"))
        for button, name in (("gal-1-download", "82S100_GAL-1.jed"), ("gal-2-download", "82S100_GAL-2.jed"),
                             ("gal-board-download", "82S100_GAL-board.txt")):
            with open(os.path.join(work, name), "rb") as written:
                expect(download(button, name) == written.read(), "gal download " + name)
        rows = script("return Array.from(document.querySelectorAll('#gal-pins tr'), "
                      "(r) => Array.from(r.cells, (c) => c.textContent))")
        expect(len(rows) == 24 and rows[18] == ["19", "F0", "F4"] and rows[20][1] == "(unconnected: F0's spill)",
               f"the board's table: {rows}")
        script("document.getElementById('gal-box').scrollIntoView()")
        shot("8-gal-pair")
        axe("the GAL pair")
        put("board.txt", b"1.19 F0\n1.12 CE\n")
        choose("gal-board", "file")
        give("gal-file", os.path.join(work, "board.txt"))
        wait.until(lambda d: text("gal-error") != "")
        expect(text("gal-error") + "\n" == native("gal", "--board", "board.txt", "-o", "never")[2],
               "gal board refused: " + text("gal-error"))
        expect(not element("gal-result").is_displayed(), "a refused board's pair still shown")
        choose("gal-board", "built-in")

    with stage("compare"):
        # Two programmings that differ in one polarity fuse, dropped together: plakit compare's text.
        equations = native("convert", "--to", "equations")[1].decode()
        put("builtin.eqn", equations.encode())
        put("polarity.eqn", equations.replace("\n/F3 =", "\nF3 =").encode())
        drop("compare-box", [("builtin.eqn", equations.encode()),
                             ("polarity.eqn", equations.replace("\n/F3 =", "\nF3 =").encode())])
        wait.until(lambda d: shown_text("compare-text") != "")
        status, out, _ = native("compare", "builtin.eqn", "polarity.eqn")
        expect(status == 1 and shown_text("compare-text") == out.decode() and "F3: inverted" in out.decode(),
               "compare text: " + shown_text("compare-text"))
        expect(text("compare-verdict") == out.decode().splitlines()[0], "compare verdict: " + text("compare-verdict"))
        give("compare-b-file", os.path.join(work, "builtin.eqn"))
        wait.until(lambda d: text("compare-verdict") == "builtin.eqn and builtin.eqn: the same logic")
        script("document.getElementById('compare-box').scrollIntoView()")
        shot("8-compare")
        axe("a comparison")

    with stage("a phone's width"):
        # A phone's width: nothing wider than the screen.
        driver.set_window_size(390, 844)
        for name, place in (("9-phone-top", "window.scrollTo(0, 0)"),
                            ("10-phone-verify", "document.getElementById('verify-box').scrollIntoView()")):
            script(place)
            shot(name)
        width = script("return document.documentElement.scrollWidth")
        expect(width <= 390, f"at 390 px the page is {width} px wide")
        axe("a phone's width")

    with stage("console and network"):
        errors = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
        expect(not errors, f"console errors: {errors}")
        # The requests of the page's document (not of the browser's own new tab page).
        sent = [json.loads(entry["message"])["message"]["params"]
                for entry in driver.get_log("performance") if '"Network.requestWillBeSent"' in entry["message"]]
        urls = [params["request"]["url"] for params in sent if params.get("documentURL", "").startswith("file:")]
        remote = [url for url in urls if not url.startswith(("file:", "data:", "blob:"))]
        expect(urls and not remote, f"network requests: {remote} (of {len(urls)})")
finally:
    driver.quit()
    shutil.rmtree(work, ignore_errors=True)

print(f"{len(failures)} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
