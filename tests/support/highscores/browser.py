"""Debian's chromium, driven through chromedriver by selenium, for the highscore tests.

chromium(profile, languages, *extra) starts a headless browser with a fresh profile folder
and the Accept-Language it sends. It runs as root too (no sandbox) and makes no connection
of its own to the outside (this machine's network is closed; the test's service is local).
"""

import os
import shutil


class BrowserMissing(Exception):
    pass


def chromium(profile, languages, *extra):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        raise BrowserMissing("python3-selenium is not installed")
    binary = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    if not binary or not driver:
        raise BrowserMissing("chromium or chromium-driver is not installed")
    os.makedirs(profile, exist_ok=True)
    options = webdriver.ChromeOptions()
    options.binary_location = binary
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--window-size=1000,1200", "--user-data-dir=" + profile,
                     "--lang=" + languages.split(",")[0]) + extra:
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"intl.accept_languages": languages})
    browser = webdriver.Chrome(service=Service(driver, log_output=os.path.join(profile, "chromedriver.log"))
                               if "log_output" in Service.__init__.__code__.co_varnames
                               else Service(driver, log_path=os.path.join(profile, "chromedriver.log")),
                               options=options)
    browser.set_page_load_timeout(30)
    return browser
