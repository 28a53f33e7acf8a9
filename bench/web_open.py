#!/usr/bin/python3
"""How soon the page shows the built-in programming's image after it is opened.

Usage: bench/web_open.py build/web/web/plakit.html [runs]

Opens the page from disk in headless Chromium (through Selenium) `runs` times, one browser
for all, and gives for each opening the time from the start of the navigation to the
moment the image's CRC-32 is on the page (the page's own performance.now(), which it
notes when it has shown it), and the time Selenium waited from its request to that
moment. The first opening also starts the browser's caches; the fastest and the median
of the others are the figures.
"""
import os
import shutil
import statistics
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

page = os.path.abspath(sys.argv[1])
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 11
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
profile = tempfile.mkdtemp(prefix="plakit-open-")
for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--user-data-dir=" + profile,
             "--window-size=1280,900"):
    options.add_argument(flag)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
shown, waited = [], []
try:
    for run in range(runs):
        started = time.time()
        driver.get("file://" + page)
        while not driver.execute_script("return document.body.dataset.ready === 'true'"):
            time.sleep(0.005)
        waited.append(time.time() - started)
        shown.append(float(driver.execute_script("return document.body.dataset.shownAt")) / 1000)
        crc = driver.execute_script("return document.getElementById('image-crc').textContent")
        print(f"opening {run + 1}: CRC {crc} shown {shown[-1]:.3f} s after navigation began, "
              f"{waited[-1]:.3f} s after Selenium's request")
finally:
    driver.quit()
    shutil.rmtree(profile, ignore_errors=True)
warm_shown, warm_waited = shown[1:] or shown, waited[1:] or waited
print(f"shown after navigation began: fastest {min(warm_shown):.3f} s, median {statistics.median(warm_shown):.3f} s; "
      f"after Selenium's request: fastest {min(warm_waited):.3f} s, median {statistics.median(warm_waited):.3f} s "
      f"(first opening {shown[0]:.3f} / {waited[0]:.3f} s)")
