#!/usr/bin/python3
"""Opens the address the game handed to the browser in the test browser, with the home site
mapped onto the private service, and checks the entry there and in the list's API.

    highscore_in_browser.py ADDRESS HOST SERVICE_URL WORKDIR
"""

import json
import os
import sys
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from browser import chromium  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402

address, host, service, work = sys.argv[1:5]
port = urllib.parse.urlsplit(service).port
browser = chromium(os.path.join(work, "profile"), "en-GB,en", "--host-resolver-rules=MAP %s 127.0.0.1:%d" % (host, port))
try:
    browser.get(address)
    browser.save_screenshot(os.path.join(work, "entry.png"))
    notice = browser.find_element(By.CSS_SELECTOR, ".notice").text
    mine = browser.find_elements(By.CSS_SELECTOR, "tr.mine td")
    print("page: %s | %s" % (notice, " ".join(td.text for td in mine)))
    if "Your result is in the list: rank" not in notice or not mine or mine[1].text != "Zoë E2E":
        sys.exit("the page does not show the new entry")
finally:
    browser.quit()

with urllib.request.urlopen(service + "/api/v1/highscores?type=1&limit=100") as answer:
    entries = [e for e in json.load(answer)["entries"] if e["name"] == "Zoë E2E"]
print("list: %s" % entries)
if len(entries) != 1 or not (25541 <= entries[0]["points"] <= 27240) or (entries[0]["givens"], entries[0]["set"]) != (40, "B"):
    sys.exit("the list does not hold the game's result once")
