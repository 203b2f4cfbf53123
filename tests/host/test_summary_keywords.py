"""File summaries and keywords through the installed vorlane module, on the fixture files."""
import os
import unittest

import tests.host.support  # noqa: F401  (puts the install tree on sys.path)
from tarvelle import vorlane

FIXTURES = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                        "fixtures", "corpus", "summary_keywords")

# file name -> (summary, keywords), for the file id "corpus/<file name>"
EXPECTED = {
    "SettingsStore.swift": (
        "import Foundation.",
        ["settingsstore", "settings", "store", "themeoption", "theme", "option", "settingsobserver",
         "observer", "loadtheme", "load", "sharedstore", "shared", "resetall", "reset", "all",
         "settingsdidchange", "did", "change", "makedefaultstore", "make", "default"]),
    "user_handlers.go": (
        "package handlers.",
        ["handlefunc", "api", "users", "accounts", "accountid", "handle", "healthz", "registerroutes",
         "register", "routes", "listusers", "list", "getaccount", "get", "account", "newuserservice",
         "new", "user", "service"]),
    "MainWindow.xaml": (
        '<Window x:Class="App.Views.MainWindow". '
        "Contains 5 functions/classes: MainWindow, SearchBox, OkButton, Cancel, ....",
        ["mainwindow", "main", "window", "searchbox", "search", "box", "okbutton", "button", "cancel",
         "orderlist", "order", "list", "grid", "stackpanel", "textbox", "listview"]),
    "CheckoutViewModel.kt": (
        "package com.shop.checkout. "
        "Contains 5 functions/classes: CartLine, CheckoutState, Failed, CheckoutViewModel, ....",
        ["cartline", "cart", "line", "checkoutstate", "checkout", "state", "failed", "checkoutviewmodel",
         "view", "model", "cartrepository", "repository", "addline", "add", "totalprice", "total",
         "price", "legacybridge", "legacy", "bridge", "loadcart", "load", "formatprice", "format"]),
    "billing_service.py": (
        "Billing service: invoices, payments and refunds for customer accounts. "
        "Contains 4 functions/classes: InvoiceStore, get_invoice, refund_payment, HTTPRetryPolicy.",
        ["get", "invoices", "invoice_id", "invoicestore", "invoice", "store", "get_invoice",
         "refund_payment", "refund", "payment", "httpretrypolicy", "http", "retry", "policy", "billing",
         "service", "payments", "refunds", "customer", "accounts", "refundsid1"]),
    "orderApi.ts": (
        "Order API client: wraps the order endpoints of the storefront backend. "
        "Contains 3 functions/classes: fetchOrder, OrderCache, localHelper.",
        ["get", "orders", "orderid", "lines", "ordersummary", "order", "summary", "fetchorder", "fetch",
         "cancelorder", "cancel", "ordercache", "cache", "getorder", "api", "$id", "items"]),
    "routes.js": (
        "Express routes of the inventory service, mounted under /inventory. "
        "Contains 2 functions/classes: listItems, reserveItem.",
        ["get", "items", "post", "itemid", "reserve", "delete", "patch", "profile", "stock", "levels"]),
}


def read(name):
    with open(os.path.join(FIXTURES, name), encoding="utf-8", errors="ignore") as f:
        return f.read()


class FixtureFiles(unittest.TestCase):
    def test_every_fixture_has_its_expectation(self):
        self.assertEqual(sorted(os.listdir(FIXTURES)), sorted(EXPECTED))

    def test_summary_and_keywords(self):
        for name, (summary, keywords) in EXPECTED.items():
            with self.subTest(name=name):
                content = read(name)
                ext = os.path.splitext(name)[1].lower()
                self.assertEqual(vorlane._make_summary(content, "corpus/" + name, ext), summary)
                self.assertEqual(vorlane.extract_keywords(content, ext), keywords)


class Calls(unittest.TestCase):
    def test_arguments_by_name(self):
        self.assertEqual(vorlane._make_summary(content="", path="src/auth/login_handler.py", ext=".py"),
                         "Handles auth login handler.")
        self.assertEqual(vorlane.extract_keywords(ext=".ts", content="export const fooBar = 1"),
                         ["foobar", "foo", "bar"])

    def test_results_are_new_values(self):
        first = vorlane.extract_keywords("def run_job():\n    pass\n", ".py")
        first.append("changed")
        self.assertEqual(vorlane.extract_keywords("def run_job():\n    pass\n", ".py"), ["run_job", "run", "job"])

    def test_path_with_surrogate_escape(self):
        path = os.fsdecode(b"src/caf\xff_menu.py")
        self.assertEqual(vorlane._make_summary("", path, ".py"), "Handles caf\udcff menu.")

    def test_text_arguments_only(self):
        with self.assertRaises(TypeError):
            vorlane.extract_keywords(b"def x(): pass", ".py")


if __name__ == "__main__":
    unittest.main()
