#!/usr/bin/python3
"""Converting and showing long texts in the page, in headless Chromium: for each size, the time
from F5 to the whole result shown, and the longest main-thread task (Long Tasks API).

usage: bench/page_long_text.py PAGE MAKE_TEXT MB [MB ...]
  e.g. bench/page_long_text.py build/release/web/page/index.html \\
           build/release/bench/lipimattam-make-text 5 20 50"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import web_test  # noqa: E402 (its browser set-up and its watch on long tasks)
from selenium.webdriver.common.keys import Keys  # noqa: E402


def main(page, make_text, sizes):
    profile = tempfile.mkdtemp(prefix="lipimattam-page-bench-")
    browser = web_test.start_browser(profile)
    try:
        for megabytes in sizes:
            text = subprocess.run([make_text, megabytes], stdout=subprocess.PIPE,
                                  check=True).stdout.decode().replace("\r\n", "\n")
            browser.get("file://" + os.path.abspath(page))
            browser.execute_script("document.getElementById('TextBox1').value = arguments[0]",
                                   text)
            browser.execute_script("return document.getElementById('TextBox1').scrollHeight")
            browser.execute_script(web_test.WATCH_LONG_TASKS)
            started = time.time()
            browser.find_element("id", "TextBox1").send_keys(Keys.F5)
            time.sleep(0.05)
            while browser.execute_script("return window.lipimattam.busy()"):
                time.sleep(0.02)
            longest = browser.execute_script("return window.longestTask")
            print("%4s MB: %.2f s; %s" % (megabytes, time.time() - started,
                                        "longest task %.0f ms" % longest if longest
                                        else "no task over 50 ms"))
    finally:
        browser.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
