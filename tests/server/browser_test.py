#!/usr/bin/python3
"""The highscore pages in a real browser (Debian's chromium through chromedriver): the game's
address with a genuine code, a reload, the hand-entry form, hostile names, the German page.
Screenshots of every page at 1x, 1.5x and 2x go to WORKDIR/screenshots.

    browser_test.py SERVICE MAKE_CODES WORKDIR [--through-nginx]
With --through-nginx the browser meets the list as a large site serves it: two instances on
a private PostgreSQL behind the private nginx with the packaged site (http redirected to
https). Exit code 77 when chromium, chromedriver or selenium is missing (or, through nginx,
PostgreSQL or nginx).
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from private_service import PrivateService  # noqa: E402
from browser import BrowserMissing, chromium  # noqa: E402
from cluster import Cluster, Unavailable, check_available  # noqa: E402

try:
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.expected_conditions import staleness_of
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("SKIP: python3-selenium is not installed")
    sys.exit(77)

SERVICE, MAKE_CODES, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
THROUGH_NGINX = "--through-nginx" in sys.argv[4:]
SHOTS = os.path.join(WORK, "screenshots")


def genuine_codes(count, seed):
    out = subprocess.run([MAKE_CODES, str(count), str(seed)], check=True, capture_output=True, text=True).stdout
    return [line.split()[0] for line in out.splitlines()]


class Pages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(SHOTS)
        cls.codes = genuine_codes(40, seed=23)
        if THROUGH_NGINX:
            cls.cluster = Cluster(SERVICE, os.path.join(WORK, "cluster"), options=["--rate-limit", "0"]).start()
            cls.service = cls.cluster.nginx
            # The game's address is http://; the site sends the browser on to https.
            cls.site = "http://www.localhost:%d" % cls.cluster.nginx.http_port
            cls.extra = ("--ignore-certificate-errors",)
        else:
            cls.cluster = None
            cls.service = PrivateService(SERVICE, os.path.join(WORK, "service"), "--rate-limit", "0").start()
            # The host the game's address names, as the browser reaches this machine.
            cls.site = "http://www.localhost:%d" % cls.service.port
            cls.extra = ()
        for i, code in enumerate(cls.codes[20:]):
            cls.service.request("GET", "/index.php?ziel=medsudokuhighscore&name=Player%%20%d&code=%s" % (i, code))
        cls.browser = chromium(os.path.join(WORK, "profile-en"), "en-GB,en", *cls.extra)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        if cls.cluster:
            cls.cluster.stop()
        else:
            assert cls.service.stop() == 0, cls.service.log()[-3000:]

    def address(self, name, code):
        return self.site + "/index.php?ziel=medsudokuhighscore&name=" + urllib.parse.quote(name, safe="-._~") \
            + "&code=" + code

    def shoot(self, browser, name):
        """The page at 1x, 1.5x and 2x."""
        for scale in (1, 1.5, 2):
            browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": 1000, "height": 1200, "deviceScaleFactor": scale, "mobile": False})
            browser.save_screenshot(os.path.join(SHOTS, "%s@%sx.png" % (name, scale)))
        browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    def follow(self, browser, element):
        """Clicks a link or button that loads a new page, and waits until it has: the click
        returns before the page changes, and the old page has no answer to look for."""
        old = browser.find_element(By.TAG_NAME, "html")
        element.click()
        WebDriverWait(browser, 20).until(staleness_of(old))

    def mine(self, browser):
        """(rank, name) of the highlighted row."""
        rows = browser.find_elements(By.CSS_SELECTOR, "tr.mine")
        self.assertEqual(len(rows), 1)
        cells = rows[0].find_elements(By.TAG_NAME, "td")
        return int(cells[0].text), cells[1].text

    def rows_named(self, browser, name):
        return [r for r in browser.find_elements(By.CSS_SELECTOR, "tbody tr")
                if len(r.find_elements(By.TAG_NAME, "td")) > 1 and r.find_elements(By.TAG_NAME, "td")[1].text == name]

    def test_game_address_then_reload(self):
        b = self.browser
        b.get(self.address("Zoë Brückner", self.codes[0]))
        if THROUGH_NGINX:
            self.assertTrue(b.current_url.startswith("https://www.localhost:"), b.current_url)
        rank, name = self.mine(b)
        self.assertEqual(name, "Zoë Brückner")
        notice = b.find_element(By.CSS_SELECTOR, ".notice").text
        self.assertIn("Your result is in the list: rank %d in" % rank, notice)
        self.shoot(b, "entry")
        b.refresh()
        self.assertIn("already stands in the list", b.find_element(By.CSS_SELECTOR, ".notice").text)
        self.assertEqual(self.mine(b), (rank, name))
        # The whole table holds the entry once.
        self.follow(b, b.find_element(By.LINK_TEXT, "The whole table"))
        self.assertEqual(len(self.rows_named(b, "Zoë Brückner")), 1)
        self.shoot(b, "table")

    def test_hand_entry_form(self):
        b = self.browser
        b.get(self.site + "/")
        self.shoot(b, "list")
        b.find_element(By.ID, "name").send_keys("Per Hand")
        b.find_element(By.ID, "code").send_keys(self.codes[1])
        self.follow(b, b.find_element(By.CSS_SELECTOR, "form button"))
        self.assertRegex(b.current_url, r"/index\.php\?ziel=medsudokuhighscore&entry=\d+&new=1$")
        self.assertEqual(self.mine(b)[1], "Per Hand")
        # A code typed wrong comes back with the form as it was sent.
        self.follow(b, b.find_element(By.LINK_TEXT, "All tables"))
        b.find_element(By.ID, "name").send_keys("Per Hand")
        b.find_element(By.ID, "code").send_keys(self.codes[2][:-1] + "x")
        self.follow(b, b.find_element(By.CSS_SELECTOR, "form button"))
        self.assertIn("The code was not accepted: character 23 is not a digit", b.find_element(By.CSS_SELECTOR, ".notice").text)
        self.assertEqual(b.find_element(By.ID, "name").get_attribute("value"), "Per Hand")
        self.shoot(b, "refused")

    def test_hostile_names_stay_text(self):
        b = self.browser
        # An alert would stop the next command of the driver: a script that ran cannot hide.
        hostile = ["<script>alert(1)</script>", "<img src=x onerror=alert(1)>", "\u202egnirts desrever"]
        for i, name in enumerate(hostile):
            with self.subTest(name=name):
                b.get(self.address(name, self.codes[3 + i]))
                self.assertEqual(self.mine(b)[1], name)
                self.assertEqual(b.title, "Highscores · Vantrell Sudoku")
                self.assertEqual(b.execute_script("return document.scripts.length"), 0)
                self.assertEqual(b.execute_script("return document.images.length"), 1)  # the emblem only
        # The right-to-left override stays inside its cell: the points after it read as they are.
        row = b.find_element(By.CSS_SELECTOR, "tr.mine")
        self.assertEqual(row.find_element(By.TAG_NAME, "bdi").get_attribute("textContent"), hostile[2])
        self.shoot(b, "hostile")

    def test_hidden_entry_gone(self):
        """The operator hides an entry: it leaves the table the browser shows, and its code
        comes back as removed, in German too."""
        b = self.browser
        b.get(self.address("Versteckt", self.codes[8]))
        rank, _ = self.mine(b)
        database = self.cluster.instances[0].database if self.cluster else self.service.database
        found = subprocess.run([SERVICE, "--database", database, "find", "Versteckt"], capture_output=True, text=True,
                               check=True).stdout
        entry = found.split("\t")[0]
        subprocess.run([SERVICE, "--database", database, "hide", entry, "--reason", "test"], check=True,
                       capture_output=True)
        time.sleep(1.1)  # remembered answers last a second at most
        b.get(self.site + "/index.php?ziel=medsudokuhighscore&type=%s&page=%d" % (self.type_of(self.codes[8]),
                                                                                   (rank - 1) // 20 + 1))
        self.assertEqual(self.rows_named(b, "Versteckt"), [])
        de = chromium(os.path.join(WORK, "profile-de-hidden"), "de-DE,de", *self.extra)
        try:
            de.get(self.address("Versteckt", self.codes[8]))
            self.assertEqual(de.find_element(By.CSS_SELECTOR, ".notice").text,
                             "Dieses Ergebnis wurde von der Liste entfernt.")
            self.shoot(de, "removed-de")
        finally:
            de.quit()

    def type_of(self, code):
        out = subprocess.run([MAKE_CODES, "40", "23"], check=True, capture_output=True, text=True).stdout
        return next(line.split()[2] for line in out.splitlines() if line.startswith(code))

    def test_german_page(self):
        b = chromium(os.path.join(WORK, "profile-de"), "de-DE,de", *self.extra)
        try:
            b.get(self.address("", self.codes[6]))
            self.assertEqual(b.find_element(By.TAG_NAME, "h1").text, "Highscore")
            self.assertIn("Ihr Ergebnis steht in der Liste: Platz", b.find_element(By.CSS_SELECTOR, ".notice").text)
            self.assertEqual(self.mine(b)[1], "Anonym")
            self.shoot(b, "entry-de")
            b.get(self.site + "/")
            self.assertEqual([h.text for h in b.find_elements(By.TAG_NAME, "h2")],
                             ["9x9 Felder Klassisch", "8x8 Felder Frei", "9x9 Felder Frei", "Code von Hand eintragen"])
            self.assertEqual(b.find_element(By.CSS_SELECTOR, "form button").text, "Eintragen")
            self.shoot(b, "list-de")
        finally:
            b.quit()


if __name__ == "__main__":
    try:
        chromium(tempfile.mkdtemp(), "en").quit()
        if THROUGH_NGINX:
            check_available()
    except (BrowserMissing, Unavailable) as e:
        print("SKIP:", e)
        sys.exit(77)
    unittest.main(argv=[sys.argv[0]] + [a for a in sys.argv[4:] if a != "--through-nginx"], verbosity=2)
