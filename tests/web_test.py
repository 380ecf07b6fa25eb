#!/usr/bin/python3
"""The page in headless Chromium, driven as a user drives it, checked against lipimattam-cli.

usage: web_test.py PAGE CLI MAKE_TEXT [--screenshot PNG]

PAGE is the built index.html, opened from the file; CLI the built filter; MAKE_TEXT the
generator of Malayalam text. With --screenshot it only saves a picture of the page with a
converted paragraph.
"""

import base64
import functools
import http.server
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.keys import Keys

MAKE_DOCUMENTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "documents",
                              "make_documents.py")

PAGE, CLI, MAKE_TEXT = None, None, None

# Keeps in window.longestTask the longest main-thread task from here on (Long Tasks API: only
# tasks over 50 ms are reported, so 0 means none).
WATCH_LONG_TASKS = """
    window.longestTask = 0;
    new PerformanceObserver((list) => {
      for (const task of list.getEntries())
        window.longestTask = Math.max(window.longestTask, task.duration);
    }).observe({entryTypes: ['longtask']});"""


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--window-size=820,620",
                     "--user-data-dir=" + profile):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def cli_bytes(text, *arguments):
    return subprocess.run([CLI, *arguments], input=text.encode("utf-8", "surrogatepass"),
                          stdout=subprocess.PIPE, check=True).stdout


def cli(text, *arguments):
    return cli_bytes(text, *arguments).decode("utf-8")


def generated_text(megabytes, lines=None):
    """Generated Malayalam with LF line breaks, as a page's text box holds any text."""
    text = subprocess.run([MAKE_TEXT, str(megabytes)], stdout=subprocess.PIPE,
                          check=True).stdout.decode("utf-8").replace("\r\n", "\n")
    return "\n".join(text.split("\n")[:lines]) if lines else text


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.profile = tempfile.mkdtemp(prefix="lipimattam-web-test-")
        cls.browser = start_browser(cls.profile)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def setUp(self):
        self.browser.get("file://" + PAGE)
        self.browser.get_log("performance")  # only what happens from here on counts
        self.run_js("return window.lipimattam !== undefined")

    def run_js(self, script, *arguments):
        return self.browser.execute_script(script, *arguments)

    def element(self, element_id):
        return self.browser.find_element("id", element_id)

    def paste(self, text):
        self.run_js("document.getElementById('TextBox1').value = arguments[0]", text)

    def wait_for_output(self, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.run_js("return window.lipimattam.busy()"):
                return self.run_js("return window.lipimattam.output()")
            time.sleep(0.05)
        self.fail("the conversion did not end")

    def convert_with_f5(self, text):
        self.paste(text)
        self.element("TextBox1").send_keys(Keys.F5)
        time.sleep(0.05)
        return self.wait_for_output()

    def capture_downloads(self):
        """From here on, what the page offers as a download is kept in window.downloads."""
        self.run_js("""
            window.downloads = [];
            const make = URL.createObjectURL;
            URL.createObjectURL = (blob) => { window.lastBlob = blob; return make(blob); };
            HTMLAnchorElement.prototype.click = function () {
              const name = this.download;
              window.lastBlob.arrayBuffer().then((buffer) => {
                let text = '';
                for (const byte of new Uint8Array(buffer)) text += String.fromCharCode(byte);
                window.downloads.push({name, data: btoa(text)});
              });
            };""")

    def downloads(self, count):
        deadline = time.time() + 20
        while time.time() < deadline:
            found = self.run_js("return window.downloads")
            if len(found) >= count:
                return [(item["name"], base64.b64decode(item["data"])) for item in found]
            time.sleep(0.05)
        self.fail("the page offered no download")

    def wait_for_status(self, words):
        deadline = time.time() + 60
        while words not in self.element("status").text and time.time() < deadline:
            time.sleep(0.05)
        return self.element("status").text

    def set_direction(self, value):
        self.run_js("const d = document.getElementById('direction');"
                    "d.value = arguments[0]; d.dispatchEvent(new Event('change'));", value)

    def test_layout_words_and_language(self):
        self.assertEqual(self.browser.title, "Convert Unicode to ML - Lipimattam")
        self.assertEqual(self.element("caption1").text,
                         "Paste Malayalam Unicode Text and click Convert Button")
        self.assertEqual(self.element("caption2").text,
                         "Copy the converted Text by pressing rightmouse button")
        self.assertEqual(self.element("cmdConvert").text, "Convert")
        for box in ("TextBox1", "TextBox2"):
            self.assertEqual(self.element(box).get_attribute("aria-labelledby"),
                             "caption" + box[-1])
        self.assertEqual(self.run_js("return document.activeElement.id"), "TextBox1")
        loaded = self.browser.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "document.fonts.load('16px \"Lipimattam ML-TT\"', '\\uF049')"
            ".then(faces => done(faces.length), () => done(-1));")
        self.assertEqual(loaded, 1)

    def test_words_and_languages_follow_the_direction_and_swap_turns_round(self):
        ways = {
            "to-ml-tt": ("Convert Unicode to ML",
                         "Paste Malayalam Unicode Text and click Convert Button", "ml", "zxx"),
            "to-unicode": ("Convert ML to Unicode",
                           "Paste text in ML-TT codes and click Convert Button", "zxx", "ml"),
        }
        for way, (heading, caption, input_lang, output_lang) in ways.items():
            self.set_direction(way)
            self.assertEqual(self.browser.title, heading + " - Lipimattam")
            self.assertEqual(self.element("caption1").text, caption)
            self.assertEqual(self.element("TextBox1").get_attribute("lang"), input_lang)
            self.assertEqual(self.element("TextBox2").get_attribute("lang"), output_lang)
        self.assertIn("ML-TTRevathi", self.element("fonts-note").text)
        self.set_direction("to-ml-tt")
        text = "\u0D15\u0D47\u0D30\u0D33\u0D02 2026"
        codes = self.convert_with_f5(text)
        self.element("cmdCopy").click()
        self.assertEqual(self.element("status").text,
                         "Copied %d characters." % len(cli(text)))
        self.element("cmdSwap").click()
        self.assertEqual(self.run_js("return document.getElementById('TextBox1').value"), codes)
        self.assertEqual(self.run_js("return document.getElementById('direction').value"),
                         "to-unicode")
        self.element("cmdConvert").click()
        time.sleep(0.05)
        self.assertEqual(self.wait_for_output(), text)

    def test_text_files_open_and_downloads_are_named_after_them(self):
        work = tempfile.mkdtemp(prefix="lipimattam-web-files-")
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        story = generated_text(1, lines=20)
        quoted = "\u201C" + cli(story[:200]) + "\u201D \u2014 end"  # ML-TT text, saved on Windows
        files = {"story.txt": story.encode("utf-8"),
                 "old.txt": quoted.encode("cp1252"),
                 "bad.txt": b"ab\n\xc3x"}
        for name, data in files.items():
            with open(os.path.join(work, name), "wb") as out:
                out.write(data)
        self.capture_downloads()
        self.element("fileInput").send_keys(os.path.join(work, "story.txt"))
        time.sleep(0.1)  # the file is read before its conversion begins
        self.assertEqual(self.wait_for_output(), cli(story))
        self.element("cmdDownloadUtf8").click()
        self.element("cmdDownloadLatin1").click()
        self.assertEqual(self.downloads(2), [("story-ml-tt.txt", cli_bytes(story)),
                                             ("story-ml-tt-cp1252.txt",
                                              cli_bytes(story, "--output-encoding", "cp1252"))])
        self.set_direction("to-unicode")
        self.run_js("document.getElementById('fileBytes').value = 'cp1252'")
        self.element("fileInput").send_keys(os.path.join(work, "old.txt"))
        time.sleep(0.2)
        expected = subprocess.run([CLI, "--to-unicode", "--input-encoding", "cp1252"],
                                  input=files["old.txt"], stdout=subprocess.PIPE,
                                  check=True).stdout
        self.assertEqual(self.wait_for_output().encode("utf-8"), expected)
        self.element("cmdDownloadUtf8").click()
        self.assertEqual(self.downloads(3)[2], ("old-unicode.txt", expected))
        self.run_js("document.getElementById('fileBytes').value = 'utf-8'")
        self.element("fileInput").send_keys(os.path.join(work, "bad.txt"))
        self.assertIn("bad.txt:2:1: invalid UTF-8 at byte offset 3 (byte 0xC3)",
                      self.wait_for_status("invalid UTF-8"))

    def convert_document(self, data, options):
        """The page's window.lipimattam.convertDocument on `data`: (bytes, summary) or the
        message it was rejected with."""
        result = self.browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const bytes = Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0));
            window.lipimattam.convertDocument(bytes.buffer, arguments[1]).then((result) => {
              let text = '';
              for (const byte of result.document) text += String.fromCharCode(byte);
              done({data: btoa(text), summary: result.summary});
            }, (error) => done({error: error.message}));""", base64.b64encode(data).decode(),
                                                   options)
        if "error" in result:
            return result["error"]
        return base64.b64decode(result["data"]), result["summary"]

    def assertSameEntries(self, page_bytes, filter_path, what):
        with zipfile.ZipFile(filter_path) as expected, \
                zipfile.ZipFile(io.BytesIO(page_bytes)) as got:
            self.assertEqual(got.namelist(), expected.namelist(), what)
            self.assertIsNone(got.testzip(), what)
            for name in expected.namelist():
                self.assertEqual(got.read(name), expected.read(name), what + ": " + name)
            # An ODT's mimetype stays first and stored.
            if "mimetype" in expected.namelist():
                self.assertEqual(got.infolist()[0].compress_type, zipfile.ZIP_STORED)

    def test_documents_convert_entry_for_entry_as_the_filter_does(self):
        work = tempfile.mkdtemp(prefix="lipimattam-web-documents-")
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        subprocess.run([sys.executable, MAKE_DOCUMENTS, CLI, work], check=True,
                       stdout=subprocess.DEVNULL)
        cases = [("ml-tt.docx", "to-unicode", []), ("ml-tt.odt", "to-unicode", []),
                 ("unicode.docx", "to-ml-tt", []), ("unicode.odt", "to-ml-tt", []),
                 ("ml-tt.docx", "to-unicode", ["ML-TTKarthika"])]
        for name, direction, legacy in cases:
            source = os.path.join(work, name)
            target = os.path.join(work, "filter-" + name)
            arguments = ["--to-unicode"] if direction == "to-unicode" else []
            for font in legacy:
                arguments += ["--legacy-font", font]
            subprocess.run([CLI, "-q", *arguments, source, "-o", target], check=True)
            with open(source, "rb") as document:
                data = document.read()
            page = self.convert_document(data, {"direction": direction, "legacyFonts": legacy})
            self.assertIsInstance(page, tuple, page)
            self.assertGreater(page[1]["runs"], 0)
            self.assertSameEntries(page[0], target, name + " " + direction)
        # A broken part: the same message as the filter's, and nothing converted.
        broken = os.path.join(work, "broken.docx")
        with zipfile.ZipFile(os.path.join(work, "ml-tt.docx")) as good, \
                zipfile.ZipFile(broken, "w") as bad:
            for item in good.infolist():
                data = good.read(item)
                bad.writestr(item, data.replace(b"</w:body>", b"</w:bod>")
                             if item.filename == "word/document.xml" else data)
        said = subprocess.run([CLI, "--to-unicode", broken, "-o", os.path.join(work, "x.docx")],
                              stderr=subprocess.PIPE).stderr.decode()
        with open(broken, "rb") as document:
            message = self.convert_document(document.read(), {"direction": "to-unicode"})
        self.assertIn("word/document.xml: byte offset", message)
        self.assertIn(message.split("; ")[0], said)
        # Opened through the page: a summary, and a download named after the file.
        self.capture_downloads()
        self.set_direction("to-unicode")
        self.element("fileInput").send_keys(os.path.join(work, "ml-tt.odt"))
        self.assertIn("runs of text converted", self.wait_for_status("converted"))
        self.element("cmdDownloadDocument").click()
        [(saved_name, saved)] = self.downloads(1)
        self.assertEqual(saved_name, "ml-tt-unicode.odt")
        subprocess.run([CLI, "-q", "--to-unicode", os.path.join(work, "ml-tt.odt"), "-o",
                        os.path.join(work, "filter.odt")], check=True)
        self.assertSameEntries(saved, os.path.join(work, "filter.odt"), "opened ml-tt.odt")

    def test_served_over_http_it_installs_and_works_offline(self):
        class QuietHandler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *arguments):
                pass

        handler = functools.partial(QuietHandler, directory=os.path.dirname(PAGE))
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
        try:
            self.browser.get(url)
            controlled = self.browser.execute_async_script("""
                const done = arguments[arguments.length - 1];
                navigator.serviceWorker.ready.then(() => {
                  if (navigator.serviceWorker.controller) return done(true);
                  navigator.serviceWorker.oncontrollerchange = () => done(true);
                }, () => done(false));""")
            self.assertTrue(controlled)
            manifest = self.browser.execute_cdp_cmd("Page.getAppManifest", {})
            self.assertEqual(manifest.get("errors"), [])
            self.assertEqual(self.browser.execute_cdp_cmd("Page.getInstallabilityErrors", {})
                             .get("installabilityErrors"), [])
        finally:
            server.shutdown()
            server.server_close()
        # No server now: the page comes from the service worker's cache and still converts.
        self.browser.get(url)
        self.run_js("return window.lipimattam !== undefined")
        self.assertEqual(self.convert_with_f5("\u0D15\u0D46"), "sI")
        self.assertIn("Lipimattam 0.", self.element("about").text)

    def test_on_a_phone_the_result_comes_into_view_with_large_targets(self):
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True})
        self.addCleanup(self.browser.execute_cdp_cmd, "Emulation.clearDeviceMetricsOverride", {})
        self.browser.get("file://" + PAGE)
        text = generated_text(1, lines=30)
        self.assertEqual(self.convert_with_f5(text), cli(text))
        time.sleep(0.2)
        seen = self.run_js("""
            const box = (id) => document.getElementById(id).getBoundingClientRect();
            return {height: window.innerHeight, width: window.innerWidth,
                    output: box('TextBox2').top, copy: box('cmdCopy').bottom,
                    input: box('TextBox1').right,
                    small: [...document.querySelectorAll('button, select, summary')]
                        .filter((e) => e.offsetParent !== null)
                        .filter((e) => e.getBoundingClientRect().height < 44)
                        .map((e) => e.id || e.textContent)};""")
        self.assertLess(seen["input"], seen["width"] + 1, "the input box is wider than the phone")
        self.assertGreaterEqual(seen["output"], 0)
        self.assertLess(seen["copy"], seen["height"], "Copy is out of view after Convert")
        self.assertEqual(seen["small"], [])

    def test_converts_as_the_filter_does(self):
        text = generated_text(1, lines=300)
        self.assertGreater(text.count("\n"), 250)
        self.assertEqual(self.convert_with_f5(text), cli(text))
        # What the box shows is the display copy, in the display font.
        shown = self.run_js("return document.getElementById('TextBox2').textContent")
        self.assertEqual(len(shown), len(cli(text)))
        self.assertTrue(all(ord(unit) >= 0xF021 or unit in " \n" or ord(unit) > 0xFF
                            for unit in shown[:2000]))

    def test_alt_c_and_the_button_convert(self):
        self.paste("\u0D15\u0D4A")
        self.element("TextBox1").send_keys(Keys.ALT + "c")
        self.assertEqual(self.wait_for_output(), "sIm")
        self.paste("\u0D15\u0D46")
        self.element("cmdConvert").click()
        self.assertEqual(self.wait_for_output(), "sI")
        self.element("TextBox1").send_keys(Keys.ESCAPE)  # Esc keeps the work
        self.assertEqual(self.run_js("return document.getElementById('TextBox1').value"),
                         "\u0D15\u0D46")
        self.assertEqual(self.run_js("return window.lipimattam.output()"), "sI")

    def copy_from_output(self, select):
        """Selects in the output box as `select` says (JavaScript given `box` and `range`),
        copies, and returns what the copy put on the clipboard."""
        return self.run_js("""
            const box = document.getElementById('TextBox2');
            const range = document.createRange();
            """ + select + """
            document.getSelection().removeAllRanges();
            document.getSelection().addRange(range);
            const event = new ClipboardEvent('copy', {clipboardData: new DataTransfer(),
                                                      bubbles: true, cancelable: true});
            box.dispatchEvent(event);
            return event.clipboardData.getData('text/plain');""")

    def test_copy_gives_the_real_units(self):
        text = ("\u0D15\u0D4D\u0D30\u0D48 \u0D23\u0D4D\u0D1F\n\uF041\U0001F600\u00E5A." * 3)
        expected = cli(text)
        self.assertEqual(self.convert_with_f5(text), expected)
        copied = self.copy_from_output("range.selectNodeContents(box);")
        self.assertEqual(copied, expected)
        part = self.copy_from_output("""
            range.setStart(box.firstChild.firstChild, 3);
            range.setEnd(box.firstChild.firstChild, 8);""")
        self.assertEqual(part, expected[3:8])  # before the emoji: units and code points alike

    def test_downloads_give_utf8_or_one_byte_per_code(self):
        self.convert_with_f5("\u0D15\u0D4D\u0D30\u0D48 \u0D23\u0D4D\u0D1F")
        utf8 = self.run_js("return window.lipimattam.bytes('utf-8')"
                           ".then((bytes) => Array.from(bytes))")
        self.assertEqual(bytes(utf8), cli("\u0D15\u0D4D\u0D30\u0D48 \u0D23\u0D4D\u0D1F")
                         .encode("utf-8"))
        cp1252 = self.run_js("return window.lipimattam.bytes('windows-1252')"
                             ".then((bytes) => Array.from(bytes))")
        self.assertEqual(bytes(cp1252), b"ss{I \xad")
        # Curly quotes and a dash go out as the filter's cp1252 writes them.
        text = "\u201C\u0D15\u201D \u2014 \u0D2E\u0D32\u0D2F\u0D3E\u0D33\u0D02\u2026"
        self.convert_with_f5(text)
        cp1252 = self.run_js("return window.lipimattam.bytes('windows-1252')"
                             ".then((bytes) => Array.from(bytes))")
        self.assertEqual(bytes(cp1252), cli_bytes(text, "--output-encoding", "cp1252"))
        # Half a character cannot go into UTF-8: named, not made U+FFFD.
        self.run_js("document.getElementById('TextBox1').value = "
                    "'\\u0D15\\n\\u0D15' + String.fromCharCode(0xD800)")
        self.element("TextBox1").send_keys(Keys.F5)
        time.sleep(0.05)
        while self.run_js("return window.lipimattam.busy()"):
            time.sleep(0.05)
        said = self.run_js("return window.lipimattam.bytes('utf-8').then(() => 'written',"
                           " (error) => error.message)")
        self.assertIn("U+D800 at line 2, column 2", said)
        self.convert_with_f5("\u0D15\n\u4E2D")
        self.element("cmdDownloadLatin1").click()
        deadline = time.time() + 10  # the bytes come from the engine's worker
        while "U+4E2D" not in self.element("status").text and time.time() < deadline:
            time.sleep(0.05)
        self.assertIn("U+4E2D at line 2, column 1", self.element("status").text)

    def test_reverse_direction_with_its_options(self):
        unicode_text = generated_text(1, lines=40)
        codes = cli(unicode_text)
        self.run_js("const d = document.getElementById('direction');"
                    "d.value = 'to-unicode'; d.dispatchEvent(new Event('change'));")
        self.assertTrue(self.element("chillu").is_displayed())
        self.assertEqual(self.convert_with_f5(codes), cli(codes, "--to-unicode"))
        self.run_js("document.getElementById('chillu').value = 'sequence';"
                    "document.getElementById('digits').value = 'malayalam';")
        self.assertEqual(self.convert_with_f5(codes + " 2026"),
                         cli(codes + " 2026", "--to-unicode", "--chillu", "sequence",
                             "--digits", "malayalam"))
        self.convert_with_f5("I\u00e5")
        self.assertIn("line 1, column 2", self.element("status").text)

    def test_a_long_line_is_never_cut_inside_a_character(self):
        # Each emoji straddles a point where the output box would cut a long line in pieces.
        text = ("\u0D15" * 16383 + "\U0001F600") * 3
        self.assertEqual(self.convert_with_f5(text), cli(text))
        firsts = self.run_js("return [...document.getElementById('TextBox2').children]"
                             ".map((piece) => piece.textContent.charCodeAt(0))")
        self.assertGreater(len(firsts), 1)
        self.assertEqual([unit for unit in firsts if 0xDC00 <= unit <= 0xDFFF], [])

    def test_a_long_text_keeps_the_page_answering(self):
        text = generated_text(5)
        self.paste(text)
        # The pasted text laid out first: that is the paste's work, not the conversion's.
        self.run_js("return document.getElementById('TextBox1').scrollHeight")
        # Tasks queued while the text converts and fills the box: they must run meanwhile.
        self.run_js(WATCH_LONG_TASKS)
        self.run_js("""
            window.answered = 0;
            window.longestWait = 0;
            let last = performance.now();
            const tick = () => {
              const now = performance.now();
              if (window.lipimattam.busy()) {
                window.answered++;
                window.longestWait = Math.max(window.longestWait, now - last);
              }
              last = now;
              if (!window.stopTicks) setTimeout(tick, 10);
            };
            setTimeout(tick, 10);""")
        self.element("TextBox1").send_keys(Keys.F5)
        time.sleep(0.05)
        output = self.wait_for_output(timeout=120)
        self.run_js("window.stopTicks = true")
        self.assertEqual(output, cli(text))
        answered = self.run_js("return window.answered")
        self.assertGreater(answered, 5, "the page ran no task while the text converted")
        # Figures, not assertions: the machine is shared.
        longest = self.run_js("return window.longestTask")
        print("5 MB: %d tasks ran during the pass; the longest wait between them was %.0f ms; %s" %
              (answered, self.run_js("return window.longestWait"),
               "the longest task %.0f ms" % longest if longest else "no task over 50 ms"),
              file=sys.stderr)

    def test_the_page_stays_small(self):
        # Everything is in the one file; the engine's tables are its largest part.
        self.assertLess(os.path.getsize(PAGE), 700 * 1024)

    def test_the_page_makes_no_network_request(self):
        self.convert_with_f5("\u0D15")
        self.browser.get("file://" + PAGE)
        self.convert_with_f5("\u0D2E\u0D32\u0D2F\u0D3E\u0D33\u0D02")
        urls = []
        for entry in self.browser.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                urls.append(message["params"]["request"]["url"])
        self.assertTrue(urls, "the log shows no request at all, not even the page")
        self.assertEqual([url for url in urls if url.split(":")[0] not in ("file", "data", "blob")],
                         [])
        errors = [entry for entry in self.browser.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])


def screenshot(path):
    profile = tempfile.mkdtemp(prefix="lipimattam-web-shot-")
    browser = start_browser(profile)
    try:
        browser.set_window_size(820, 800)  # tall enough for the controls below the boxes
        browser.get("file://" + PAGE)
        text = ("മലയാളം കേരളത്തിന്റെ ഭാഷയാണ്. പത്രങ്ങളും പ്രസാധകരും ഇന്നും പഴയ ഫോണ്ടുകളിൽ "
                "അച്ചടിക്കുന്നു.\nഉദ്യോഗസ്ഥൻ, സ്വാതന്ത്ര്യം, പ്രോഗ്രാം, ക്രൈസ്തവർ, ദ്വൈതം, "
                "ശ്രീ, കൃഷി, വിദ്യാർത്ഥികൾ.")
        browser.execute_script("document.getElementById('TextBox1').value = arguments[0]", text)
        browser.find_element("id", "TextBox1").send_keys(Keys.F5)
        time.sleep(1)
        with open(path, "wb") as picture:
            picture.write(base64.b64decode(browser.get_screenshot_as_base64()))
    finally:
        browser.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if "--screenshot" in arguments:
        at = arguments.index("--screenshot")
        PAGE = os.path.abspath(arguments[0])
        screenshot(arguments[at + 1])
        sys.exit(0)
    if len(arguments) < 3:
        sys.exit(__doc__)
    PAGE, CLI, MAKE_TEXT = (os.path.abspath(argument) for argument in arguments[:3])
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[4:])
