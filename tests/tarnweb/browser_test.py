"""The console's page in a real browser: headless Chromium through
chromedriver and Selenium, on tarnweb serving a scratch copy of the demo
data on a free loopback port. Walks through the page as a person makes
them: log on, filter, define with a drop-down, see a validation message,
alter, delete, log off; then copy, rename, import a record file and change
a group's members. A screenshot of each step is kept in
$TARNWEB_WORK/screenshots. The node is read back with SQLite."""
import json
import os
import shutil
import sqlite3
import subprocess
import tempfile
import urllib.request

import pytest
from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions as EC
from selenium.webdriver.support.ui import Select, WebDriverWait

WORK = os.environ["TARNWEB_WORK"]
SHOTS = os.path.join(WORK, "screenshots")


@pytest.fixture(scope="module")
def console():
    shutil.rmtree(WORK, ignore_errors=True)
    data = os.path.join(WORK, "data")
    shutil.copytree(os.environ["TARNWEB_DEMO_DATA"], data)
    os.makedirs(SHOTS)
    server = subprocess.Popen(
        [os.environ["TARNWEB_BIN"], "--data-dir", data, "--router", "demo", "--listen", "127.0.0.1:0",
         "--access-log", os.path.join(WORK, "access.log")],
        stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    assert line.startswith("tarnweb: serving http://127.0.0.1:"), line
    yield line.split()[-1], os.path.join(data, "nodes", "DEMO.db")
    server.terminate()
    assert server.wait(timeout=30) == 0


@pytest.fixture(scope="module")
def browser():
    options = webdriver.ChromeOptions()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--window-size=1280,800"):
        options.add_argument(flag)
    profile = tempfile.mkdtemp(prefix="tarnweb-chromium-")
    options.add_argument("--user-data-dir=" + profile)
    driver = webdriver.Chrome(service=Service(os.environ["CHROMEDRIVER"]), options=options)
    driver.set_window_size(1280, 800)
    yield driver
    driver.quit()
    shutil.rmtree(profile, ignore_errors=True)


def rows(db, query):
    with sqlite3.connect(db) as connection:
        return connection.execute(query).fetchall()


class Page:
    steps = 0  # screenshots taken so far, by every test of the module

    def __init__(self, driver):
        self.driver = driver
        self.wait = WebDriverWait(driver, 15)

    def shot(self, name):
        Page.steps += 1
        self.driver.save_screenshot(os.path.join(SHOTS, "%02d-%s.png" % (Page.steps, name)))

    def by_id(self, name):
        return self.wait.until(EC.visibility_of_element_located((By.ID, name)))

    def status_is(self, text):
        try:
            self.wait.until(EC.text_to_be_present_in_element((By.ID, "status"), text))
        except TimeoutException:
            pytest.fail("the status reads %r, not %r" % (self.driver.find_element(By.ID, "status").text, text))

    def keys(self):
        """The first cell of each row, read at once (the table may be drawn again meanwhile)."""
        return self.driver.execute_script(
            "return [...document.querySelectorAll('#items tbody tr')].map(r => r.querySelector('td').innerText);")

    def unlabelled(self):
        """Inputs and drop-downs on show that no label names."""
        return self.driver.execute_script("""
            return [...document.querySelectorAll('input, select')]
              .filter(e => e.offsetParent !== null || e.type === 'file')
              .filter(e => !(e.labels && e.labels.length) && !e.getAttribute('aria-label'))
              .map(e => e.id || e.outerHTML);""")

    def field(self, name):
        return self.by_id("field-" + name)

    def fill_logon(self, password):
        """The demo node's credentials typed into the logon form."""
        self.by_id("logon-node").send_keys("DEMO")
        self.by_id("logon-user").send_keys("DEMO")
        self.by_id("logon-password").send_keys(password)


def test_a_person_manages_printers_in_the_page(console, browser):
    url, db = console
    page = Page(browser)
    browser.get(url)

    page.fill_logon("demo")
    assert page.unlabelled() == []
    page.shot("logon")
    page.by_id("logon").click()
    page.wait.until(EC.text_to_be_present_in_element((By.ID, "page-info"), "Items 1 to 5"))
    assert page.keys() == ["COLOR1", "LABELS", "LASER1", "LASER2", "PLOTTER"]
    page.shot("printers")

    # The filter builder offers each field's operators, and valid values for mapped fields.
    page.by_id("add-criterion").click()
    field = Select(page.by_id("crit-field-1"))
    field.select_by_visible_text("Status")
    assert [o.text for o in Select(page.by_id("crit-value-1")).options] == ["Ready", "Offline", "Maintenance"]
    field.select_by_visible_text("Location")
    assert [o.text for o in Select(page.by_id("crit-op-1")).options] == ["=", "!="]
    page.by_id("crit-value-1").send_keys("BLDG*")
    assert page.unlabelled() == []
    page.by_id("apply-filter").click()
    page.status_is("4 rows selected")
    assert page.keys() == ["COLOR1", "LASER1", "LASER2", "PLOTTER"]
    page.shot("filtered")

    # Define: a drop-down for the status, a value the library refuses shown beside its field.
    page.by_id("new-item").click()
    page.field("NAME").send_keys("LASER7")
    Select(page.field("STATUS")).select_by_visible_text("Offline")
    page.field("COPIES").send_keys("0")
    page.wait.until(EC.text_to_be_present_in_element((By.ID, "field-COPIES-message"), "not a number in the field's range"))
    assert page.field("COPIES").get_attribute("aria-invalid") == "true"
    assert page.field("INSTALLED").get_attribute("placeholder") == "mm/dd/yyyy"
    assert page.field("NAME").get_attribute("maxlength") == "32"
    assert page.field("NAME").get_attribute("required") == "true"
    assert page.unlabelled() == []
    page.shot("validation")
    page.field("COPIES").clear()
    page.field("COPIES").send_keys("2")
    page.field("LOCATION").send_keys("BLDG E")
    page.wait.until(lambda d: page.field("COPIES").get_attribute("aria-invalid") is None)
    page.by_id("item-save").click()
    page.status_is("PRINTER LASER7 defined")
    page.wait.until(lambda d: "LASER7" in page.keys())
    assert rows(db, "SELECT PRN_STATUS, PRN_COPIES, PRN_LOCATION FROM PRINTER WHERE PRN_NAME = 'LASER7'") == [
        ("O", 2, "BLDG E")]
    page.shot("defined")

    # Alter: the key is shown and cannot be edited.
    browser.find_element(By.CSS_SELECTOR, "button[aria-label='Edit LASER7']").click()
    assert page.field("NAME").get_attribute("readonly") == "true"
    Select(page.field("STATUS")).select_by_visible_text("Ready")
    page.by_id("item-save").click()
    page.status_is("PRINTER LASER7 altered")
    assert rows(db, "SELECT PRN_STATUS FROM PRINTER WHERE PRN_NAME = 'LASER7'") == [("R",)]
    page.shot("altered")

    # Delete, with confirmation.
    browser.find_element(By.CSS_SELECTOR, "button[aria-label='Delete LASER7']").click()
    page.wait.until(EC.alert_is_present())
    assert browser.switch_to.alert.text == "Delete PRINTER LASER7?"
    browser.switch_to.alert.accept()
    page.status_is("PRINTER LASER7 deleted")
    assert "LASER7" not in page.keys()
    assert rows(db, "SELECT COUNT(*) FROM PRINTER WHERE PRN_NAME = 'LASER7'") == [(0,)]
    page.shot("deleted")

    # A phone's width: nothing wider than the screen.
    browser.set_window_size(390, 844)
    assert browser.execute_script("return document.documentElement.scrollWidth <= window.innerWidth")
    page.shot("phone")
    browser.set_window_size(1280, 800)

    page.by_id("logoff").click()
    page.by_id("logon-form")
    page.status_is("logged off from DEMO")
    assert rows(db, "SELECT COUNT(*) FROM SESSIONS") == [(0,)]
    page.shot("logged-off")


def export_file(url, path):
    """A record file of the printers named LA*, through the API with a session of its own."""
    jar = urllib.request.HTTPCookieProcessor()
    opener = urllib.request.build_opener(jar)
    logon = urllib.request.Request(url + "api/v1/session", json.dumps(
        {"node": "DEMO", "user": "DEMO", "password": "demo"}).encode(), {"Content-Type": "application/json"})
    csrf = json.load(opener.open(logon))["csrf"]
    with open(path, "wb") as out:
        out.write(opener.open(url + "api/v1/nodes/DEMO/kinds/PRINTER/export?where=NAME=LA*").read())
    opener.open(urllib.request.Request(url + "api/v1/session", method="DELETE", headers={"X-CSRF-Token": csrf}))


def test_copies_renames_imports_and_group_members(console, browser):
    url, db = console
    page = Page(browser)
    browser.get(url)
    # From the keyboard: Enter in the password field logs on.
    page.fill_logon("demo" + Keys.ENTER)
    page.wait.until(EC.text_to_be_present_in_element((By.ID, "page-info"), "Items 1 to 5"))

    browser.find_element(By.CSS_SELECTOR, "button[aria-label='Copy PLOTTER']").click()
    page.by_id("new-key").send_keys("PLOTTER2" + Keys.ENTER)
    page.status_is("PRINTER PLOTTER2 defined like PLOTTER")
    browser.find_element(By.CSS_SELECTOR, "button[aria-label='Rename PLOTTER2']").click()
    page.by_id("new-key").send_keys("PLOTTER3" + Keys.ENTER)
    page.status_is("PRINTER PLOTTER2 renamed to PLOTTER3")
    assert page.keys()[-2:] == ["PLOTTER", "PLOTTER3"]
    page.shot("renamed")

    # Import a record file of three printers the node no longer has.
    record_file = os.path.join(WORK, "LA.rdw")
    export_file(url, record_file)
    rows(db, "DELETE FROM QUEUE")
    rows(db, "DELETE FROM PRINTER WHERE PRN_NAME LIKE 'LA%'")
    browser.find_element(By.ID, "import-file").send_keys(record_file)
    page.status_is("3 defined, 0 failed")
    assert rows(db, "SELECT COUNT(*) FROM PRINTER WHERE PRN_NAME LIKE 'LA%'") == [(3,)]
    page.shot("imported")
    # The same file again, the items that exist left alone.
    Select(page.by_id("import-existing")).select_by_value("skip")
    browser.find_element(By.ID, "import-file").send_keys(record_file)
    page.status_is("0 defined, 3 skipped, 0 failed")

    # A kind with groups: its members, one added, one taken out.
    Select(page.by_id("kind")).select_by_visible_text("WORKSTATION")
    page.wait.until(EC.text_to_be_present_in_element((By.ID, "members"), "WS03"))
    members = lambda: browser.execute_script(
        "return [...document.querySelectorAll('#members li')].map(li => li.firstChild.textContent.trim())")
    assert members() == ["WS01", "WS02", "WS03"]
    page.by_id("member-name").send_keys("WS05" + Keys.ENTER)
    page.wait.until(lambda d: members() == ["WS01", "WS02", "WS03", "WS05"])
    browser.find_element(By.CSS_SELECTOR, "button[aria-label='Remove WS01 from LAB']").click()
    page.wait.until(lambda d: members() == ["WS02", "WS03", "WS05"])
    page.status_is("WKSGROUP WS01 altered")
    assert rows(db, "SELECT ID, GROUPID FROM WORKSTATION WHERE ID IN ('WS01', 'WS05') ORDER BY 1") == [
        ("WS01", None), ("WS05", "LAB")]
    assert page.unlabelled() == []
    page.shot("members")
