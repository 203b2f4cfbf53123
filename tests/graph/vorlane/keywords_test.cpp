#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/vorlane/keywords.hpp"

namespace {

using Words = std::vector<std::string>;

struct KeywordCase {
    const char* what;
    std::string content, ext;
    Words expected;
};

TEST(ExtractKeywords, SourcesInOrder) {
    const KeywordCase cases[] = {
        {"empty text", "", ".ts", {}},
        {"empty python text", "", ".py", {}},
        // Route calls and decorators, in every file.
        {"route call and an export",
         "app.get(\"/users/:id\", show)\nexport function listUsers() {}\n",
         ".ts",
         {"get", "users", "listusers", "list"}},
        {"decorator route in any file", "@router.post(\"/items/{item_id}\")\n", ".md", {"post", "items", "item_id"}},
        {"route call on r", "r.HandleFunc(\"/api/me/users\", me)\n", ".go", {"handlefunc", "api", "users"}},
        {"object name ending in r", "user.patch(\"/profile\", h)\n", ".txt", {"patch", "profile"}},
        {"full case mapping, lengths in characters",
         "app.get(\"/ÜBER/İndex/éé/ééé\")\n",
         ".md",
         {"get", "über", "i\xCC\x87ndex", "ééé"}},
        // Declared names by extension.
        {"python names",
         "def get_user_profile():\n    pass\ndef _private():\n    def indented():\n        pass\nclass HTTPServer:\n"
         "    pass\n",
         ".py",
         {"get_user_profile", "get", "user", "profile", "httpserver", "http", "server"}},
        {"underscores stripped before the length test", "fn __init__() {}\nfn _x_() {}\n", ".rs", {"init"}},
        {"rust items",
         "pub(crate) fn loadConfig() {}\nimpl Display for Mode {}\npub trait Render {}\n",
         ".rs",
         {"loadconfig", "load", "config", "mode", "render"}},
        {"export list", "export { fooBar as baz, qux };\n", ".js", {"foobar", "foo", "bar", "baz", "qux"}},
        {"export list with long names",
         "export {\n  renderInvoiceSummaryTable as renderTable,\n}\n",
         ".ts",
         {"renderinvoicesummarytable", "render", "invoice", "summary", "table", "rendertable"}},
        {"xaml names, then element names unsplit",
         "<Window x:Class=\"App.Views.MainWindow\">\n<Grid>\n<StackPanel Orientation=\"V\">\n<Button "
         "x:Name=\"okButton\"/>\n",
         ".xaml",
         {"mainwindow", "main", "window", "okbutton", "button", "grid", "stackpanel"}},
        {"c while block", "    while (running) {\n", ".c", {}},
        {"c function and type",
         "int main(int argc, char **argv)\n{\n    return 0;\n}\nstruct Point { int x; };\n",
         ".c",
         {"main", "point"}},
        {"go exported functions",
         "func Serve() {}\nfunc (s *Server) HandleLogin() {}\nfunc helper() {}\n",
         ".go",
         {"serve", "handlelogin", "handle", "login"}},
        {"swift types, then functions",
         "public final class SettingsStore {}\n\n\n    static func sharedStore() {}\nfunc makeStore() {}\n",
         ".swift",
         {"settingsstore", "settings", "store", "sharedstore", "shared", "makestore", "make"}},
        {"java",
         "public class OrderService {\n    public static void main(String[] args) {}\n    private List<Order> "
         "findAll() {}\n}\n",
         ".java",
         {"orderservice", "order", "service", "main", "findall", "find", "all"}},
        {"kotlin runs the java rows first",
         "class Cart\nprivate fun totalPrice() {}\ndata class CartLine(val n: Int)\n",
         ".kt",
         {"cartline", "cart", "line", "totalprice", "total", "price"}},
        {"c sharp",
         "public sealed class PaymentGateway {\n    public async Task<bool> ChargeCard(int id) {}\n}\n",
         ".cs",
         {"paymentgateway", "payment", "gateway", "chargecard", "charge", "card"}},
        {"ruby", "module Billing\n  class Invoice\n    def total_due\n", ".rb", {"billing", "invoice", "total_due"}},
        {"php",
         "<?php\ninterface Payable {}\nfunction sendMail() {}\n",
         ".php",
         {"payable", "sendmail", "send", "mail"}},
        {"kts gets no declared names", "fun main() {}\nclass Foo\napp.get(\"/ping\")\n", ".kts", {"get", "ping"}},
        // Opening doc comments.
        {"one-line doc comment", "/** Service layer for orders */\n", ".ts", {"service", "layer", "orders"}},
        {"doc comment opener alone", "/**\n * Service layer for orders\n */\n", ".ts", {}},
        {"short docstring", "\"\"\"Tiny.\"\"\"\n", ".py", {}},
        {"docstring after an interpreter line",
         "#!/usr/bin/env python3\n\"\"\"Long enough docstring words\"\"\"\n",
         ".py",
         {}},
        {"docstring words",
         "  \"\"\"Parses invoices into ledger rows\n\"\"\"\n",
         ".md",
         {"parses", "invoices", "into", "ledger", "rows"}},
        // URL pieces.
        {"fetch with a query", "fetch(\"/api/ui/orders.json?limit=5\")\n", ".ts", {"api", "orders"}},
        {"template path", "fetch(`/api/${id}/items`)\n", ".ts", {"api", "$id", "items"}},
        {"scheme in capitals", "fetch(\"HTTP://host/x\")\n", ".js", {"http:", "host"}},
        {"host names give their first label",
         "axios.post(\"https://api.shop.example/v1/carts\")\nrequests.get(\"http://inventory.local/stock\")\n",
         ".py",
         {"api", "carts", "inventory", "stock"}},
    };
    for (const auto& c : cases) EXPECT_EQ(vorlane::extract_keywords(c.content, c.ext), c.expected) << c.what;
}

TEST(ExtractKeywords, KeepsTheFirstEighty) {
    // A hundred declared names come before the comment words, which the cut drops.
    std::string content = "/** Documentation words follow here */\n";
    Words expected;
    for (int i = 0; i < 100; ++i) {
        std::string name = "fn" + std::string(i < 10 ? "00" : i < 100 ? "0" : "") + std::to_string(i);
        content += "export function " + name + "() {}\n";
        if (i < 80) expected.push_back(name);
    }
    EXPECT_EQ(vorlane::extract_keywords(content, ".ts"), expected);
    // Fewer than eighty: the comment words follow the names.
    Words few =
        vorlane::extract_keywords("/** Documentation words follow here */\nexport function fnOne() {}\n", ".ts");
    EXPECT_EQ(few, (Words{"fnone", "one", "documentation", "words", "follow", "here"}));
}

}  // namespace
