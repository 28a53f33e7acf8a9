#!/usr/bin/python3
"""The page in headless Chromium, opened from disk, held against plakit built natively.

Usage: browser_test.py PAGE NATIVE_PLAKIT SCREENSHOT_FOLDER

Gives the page the built-in programming, a random programming's JEDEC file, a dump with a
stuck data line, a bad file, the built-in image, the random programming as a fuse file and
a Berkeley PLA, a wiring file (bad, then good) and two programmings to compare; the files it offers for download and
the texts it shows must be plakit's for the same files; no console error, no network
request. A screenshot of each state goes to SCREENSHOT_FOLDER.
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
from selenium.webdriver.support.ui import Select, WebDriverWait

page, plakit, shots = (os.path.abspath(arg) for arg in sys.argv[1:4])
os.makedirs(shots, exist_ok=True)
work = tempfile.mkdtemp(prefix="plakit-browser-")
downloads = os.path.join(work, "downloads")
os.mkdir(downloads)
failures = []


def native(*args):
    """plakit run in the scratch folder: (status, stdout bytes, stderr text)."""
    run = subprocess.run([plakit, *args], cwd=work, capture_output=True, check=False)
    return run.returncode, run.stdout, run.stderr.decode()


def put(name, data):
    file = os.path.join(work, name)
    with open(file, "wb") as out:
        out.write(data)
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


options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--user-data-dir=" + os.path.join(work, "profile"),
             "--window-size=1000,2200"):
    options.add_argument(flag)
options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                          "download.prompt_for_download": False})
options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
wait = WebDriverWait(driver, 30)


def text(element_id):
    return driver.find_element(By.ID, element_id).text


def shown_text(element_id):
    """The element's text as it is, not as rendered (white space kept)."""
    return driver.execute_script("return document.getElementById(arguments[0]).textContent", element_id)


def download(link_id, name):
    """Clicks the link and returns the bytes of the file it saves as `name`."""
    for old in os.listdir(downloads):
        os.remove(os.path.join(downloads, old))
    driver.find_element(By.ID, link_id).click()
    target = os.path.join(downloads, name)
    deadline = time.time() + 20
    while time.time() < deadline:
        if os.path.exists(target) and not any(f.endswith(".crdownload") for f in os.listdir(downloads)):
            with open(target, "rb") as data:
                return data.read()
        time.sleep(0.05)
    failures.append(f"{link_id}: no {name} downloaded (folder: {os.listdir(downloads)})")
    return b""


def give(input_id, file):
    driver.find_element(By.ID, input_id).send_keys(file)


def shot(name):
    driver.save_screenshot(os.path.join(shots, name + ".png"))


try:
    started = time.time()
    driver.get("file://" + page)
    wait.until(lambda d: d.execute_script("return document.body.dataset.ready === 'true'"))
    print(f"ready in {time.time() - started:.2f} s")

    # The first screen: the built-in programming.
    expect(text("image-crc") == "0x0926A7A7", "first screen: CRC " + text("image-crc"))
    expect(download("image-download", "82S100_EPROM.bin") == native("image", "-o", "-")[1], "built-in image")
    expect(download("jedec-download", "82S100.jed") == native("jedec")[1], "built-in JEDEC file")
    expect(shown_text("equations") == native("equations")[1].decode(), "built-in equations")
    shot("1-builtin")

    # The options chosen on the page: plakit's --pairs and --wiring.
    Select(driver.find_element(By.ID, "pairs")).select_by_value("true-first")
    Select(driver.find_element(By.ID, "wiring")).select_by_value("straight")
    expect(download("image-download", "82S100_EPROM.bin") == native("image", "--wiring", "straight", "-o", "-")[1],
           "built-in image, straight")
    expect(download("jedec-download", "82S100.jed") == native("jedec", "--pairs", "true-first")[1],
           "built-in JEDEC file, true-first")
    Select(driver.find_element(By.ID, "pairs")).select_by_value("complement-first")
    Select(driver.find_element(By.ID, "wiring")).select_by_value("adapter")

    # A random programming's JEDEC file.
    put("random.jed", random_jedec(5))
    give("programming-file", os.path.join(work, "random.jed"))
    wait.until(lambda d: text("programming-name") == "random.jed")
    image = download("image-download", "82S100_EPROM.bin")
    expect(image == native("image", "random.jed", "-o", "-")[1], "random programming's image")
    put("written.jed", download("jedec-download", "82S100.jed"))
    expect(native("image", "written.jed", "-o", "-")[1] == image, "random programming's JEDEC file read back")
    expect(shown_text("equations") == native("equations", "random.jed")[1].decode(), "random equations")
    expect(shown_text("table") == native("equations", "random.jed", "--table")[1].decode(), "random table")
    shot("2-random-jedec")

    # A dump with data line D3 stuck at 0, against the built-in programming.
    driver.find_element(By.ID, "builtin").click()
    builtin_image = native("image", "-o", "-")[1]
    put("d3.bin", bytes(byte & ~0x08 for byte in builtin_image))
    give("verify-file", os.path.join(work, "d3.bin"))
    wait.until(lambda d: shown_text("verify-text") != "")
    status, out, _ = native("verify", "d3.bin")
    expect(status == 1 and shown_text("verify-text") == out.decode(), "verify text: " + shown_text("verify-text"))
    d3_row = [cell.text for cell in driver.find_elements(By.CSS_SELECTOR, "#line-errors tr:nth-child(4) td")]
    ones = sum(1 for byte in builtin_image if byte & 0x08)
    expect(d3_row == ["D3", str(ones), "0"], f"D3 row {d3_row}, expected {ones} read 0 for 1")
    other_rows = driver.find_elements(By.CSS_SELECTOR, "#line-errors tr")
    expect(all(row.text.split()[1:] == ["0", "0"] for i, row in enumerate(other_rows) if i != 3), "other lines")
    red = driver.execute_script(
        "const c = document.getElementById('map').getContext('2d').getImageData(0, 0, 256, 256).data;"
        "let n = 0; for (let i = 0; i < c.length; i += 4) if (c[i] === 200 && c[i + 1] === 0) ++n; return n;")
    expect(red == ones, f"map: {red} addresses marked, {ones} wrong")
    driver.execute_script("document.getElementById('verify-box').scrollIntoView()")
    shot("3-stuck-dump")

    # A file dropped on the programming's box is read as one chosen (the JEDEC file of the
    # built-in programming, as plakit writes it).
    driver.execute_script("""
        const bytes = Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0));
        const carried = new DataTransfer();
        carried.items.add(new File([bytes], 'dropped.jed'));
        document.getElementById('programming-box').dispatchEvent(
            new DragEvent('drop', {dataTransfer: carried, bubbles: true, cancelable: true}));""",
                          base64.b64encode(native("jedec")[1]).decode())
    wait.until(lambda d: text("programming-name") == "dropped.jed")
    expect(text("image-crc") == "0x0926A7A7", "dropped file: CRC " + text("image-crc"))

    # A bad file: the line plakit prints.
    put("bad.jed", b"\x02bad*QF1928*L0000 0101*\x030000")
    give("programming-file", os.path.join(work, "bad.jed"))
    wait.until(lambda d: text("programming-error") != "")
    _, _, err = native("image", "bad.jed", "-o", "never.bin")
    expect(text("programming-error") + "\n" == err, "bad file: " + text("programming-error"))
    driver.execute_script("window.scrollTo(0, 0)")
    shot("4-bad-file")

    # The built-in image fitted.
    driver.find_element(By.ID, "builtin").click()
    put("82S100_EPROM.bin", builtin_image)
    give("fit-file", os.path.join(work, "82S100_EPROM.bin"))
    wait.until(lambda d: text("fit-line").startswith("plakit: "))
    status, out, err = native("fit", "82S100_EPROM.bin")
    expect(status == 0 and text("fit-line") + "\n" == err, "fit line: " + text("fit-line"))
    expect(download("fit-download", "fit.jed") == out, "fitted JEDEC file")
    driver.execute_script("document.getElementById('fit-box').scrollIntoView()")
    shot("5-fit")

    # The same random programming as a fuse file and as a Berkeley PLA: its image; and the
    # programming offered in the other forms.
    give("programming-file", os.path.join(work, "random.jed"))
    wait.until(lambda d: text("programming-name") == "random.jed")
    expect(download("fuses-download", "82S100.fuses") == native("convert", "random.jed", "--to", "fuses")[1],
           "random programming's fuse file")
    expect(download("vhdl-download", "pla_82s100.vhd") == native("convert", "random.jed", "--to", "vhdl")[1],
           "random programming's VHDL")
    for form, name in (("fuses", "random.fuses"), ("pla", "random.pla")):
        native("convert", "random.jed", "--to", form, "-o", name)
        give("programming-file", os.path.join(work, name))
        wait.until(lambda d, name=name: text("programming-name") == name)
        expect(download("image-download", "82S100_EPROM.bin") == image, name + ": image")
    Select(driver.find_element(By.ID, "form")).select_by_value("table")
    wait.until(lambda d: text("programming-error") != "")
    expect(shown_text("programming-error") + "\n"
           == native("image", "random.pla", "--from", "table", "-o", "x.bin")[2],
           "pla read as a table: " + shown_text("programming-error"))
    Select(driver.find_element(By.ID, "form")).select_by_value("automatic")

    # A wiring file: the straight wiring with A3 and D7 through inverters, typed in the box
    # with a fault first (plakit's line), then loaded from a file.
    straight = native("wiring", "--wiring", "straight")[1].decode()
    inverted = straight.replace("\nA3 I3\n", "\nA3 /I3\n").replace("\nD7 F7\n", "\nD7 /F7\n")
    Select(driver.find_element(By.ID, "wiring")).select_by_value("file")
    driver.execute_script("document.getElementById('wiring-text').value = arguments[0]",
                          inverted.replace("\nA5 I5\n", "\nA5 I16\n"))
    driver.find_element(By.ID, "wiring-apply").click()
    wait.until(lambda d: text("wiring-error") != "")
    put("wiring.txt", inverted.replace("\nA5 I5\n", "\nA5 I16\n").encode())
    err = native("image", "--wiring", "wiring.txt", "-o", "x.bin")[2]
    expect(text("wiring-error") + "\n" == err and text("programming-error") + "\n" == err,
           "bad wiring file: " + text("wiring-error"))
    driver.execute_script("document.getElementById('wiring-box').scrollIntoView()")
    shot("6-bad-wiring")
    put("inverted.txt", inverted.encode())
    give("wiring-file", os.path.join(work, "inverted.txt"))
    wait.until(lambda d: text("wiring-name") == "inverted.txt" and text("wiring-error") == "")
    expect(download("image-download", "82S100_EPROM.bin")
           == native("image", "random.pla", "--wiring", "inverted.txt", "-o", "-")[1], "image through the wiring file")
    Select(driver.find_element(By.ID, "wiring")).select_by_value("adapter")

    # Two programmings that differ in one polarity fuse: plakit compare's text.
    equations = native("convert", "--to", "equations")[1].decode()
    put("builtin.eqn", equations.encode())
    put("polarity.eqn", equations.replace("\n/F3 =", "\nF3 =").encode())
    give("compare-a-file", os.path.join(work, "builtin.eqn"))
    give("compare-b-file", os.path.join(work, "polarity.eqn"))
    wait.until(lambda d: shown_text("compare-text") != "")
    status, out, _ = native("compare", "builtin.eqn", "polarity.eqn")
    expect(status == 1 and shown_text("compare-text") == out.decode() and "F3: inverted" in out.decode(),
           "compare text: " + shown_text("compare-text"))
    expect(text("compare-verdict") == "Different logic", "compare verdict: " + text("compare-verdict"))
    driver.execute_script("document.getElementById('compare-box').scrollIntoView()")
    shot("7-compare")

    # A phone's width: nothing wider than the screen.
    driver.set_window_size(390, 844)
    driver.execute_script("window.scrollTo(0, 0)")
    width = driver.execute_script("return document.documentElement.scrollWidth")
    expect(width <= 390, f"at 390 px the page is {width} px wide")
    shot("8-phone")

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
