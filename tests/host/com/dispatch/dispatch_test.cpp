// The IDispatch layer against the fake automation server (fake_server.h), through Wine's ole32 and
// oleaut32: start-up by ProgID, each way of passing and reading values, error descriptions, busy
// retries and the release of every reference.

#include "host/com/dispatch/dispatch.h"
#include "fake_server.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr char16_t kProgId[] = u"Quillon.FakeAutomation";

template <class T>
T FakeFunction(const char* name) {
    HMODULE fake = GetModuleHandleW(L"qln_fake_automation.dll");
    return fake ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(fake, name))) : nullptr;
}

std::string Text(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// The value of kind T a call gave; the test fails when it gave an error or another kind.
template <class T>
T As(const com::Result<com::Value>& r) {
    if (!r.ok()) {
        ADD_FAILURE() << "call failed: " << Text(r.error().description);
        return T();
    }
    const T* v = (*r).template As<T>();
    if (!v) ADD_FAILURE() << "the value is of another kind (index " << (*r).data().index() << ")";
    return v ? *v : T();
}
com::ObjectPtr Obj(const com::Result<com::Value>& r) {
    auto o = As<com::ObjectPtr>(r);
    if (!o) ADD_FAILURE() << "no object";
    return o;
}

// A com::Object the layer did not make, so it has no IDispatch to pass.
class Foreign final : public com::Object {
public:
    com::Result<com::Value> Get(std::u16string_view, const std::vector<com::Value>&) override { return com::Value(); }
    com::Result<com::Value> Put(std::u16string_view, const com::Value&) override { return com::Value(); }
    com::Result<com::Value> Call(std::u16string_view, const std::vector<com::Value>&,
                                 const std::vector<com::NamedArgument>&) override { return com::Value(); }
    com::Result<std::vector<com::Value>> Enumerate() override { return std::vector<com::Value>(); }
};

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        com::dispatch::SetBusyTimeout(5s);
        server = com::dispatch::MakeServer();
        auto created = server->Create(kProgId);
        ASSERT_TRUE(created.ok()) << "is the fake registered (wine.dispatch.register)? "
                                  << Text(created.error().description);
        app = *created;
        ASSERT_TRUE(app);
        fail = FakeFunction<QlnFakeFailFn>("QlnFakeFail");
        live = FakeFunction<QlnFakeLiveObjectsFn>("QlnFakeLiveObjects");
        calls = FakeFunction<QlnFakeCallsFn>("QlnFakeCalls");
        ASSERT_TRUE(fail && live && calls);
        FakeFunction<QlnFakeResetFn>("QlnFakeReset")();
    }
    // Every test ends with every reference released: after Quit and the last wrapper, no fake object
    // is left.
    void TearDown() override {
        if (!app) return;
        FakeFunction<QlnFakeResetFn>("QlnFakeReset")();
        EXPECT_TRUE(app->Call(u"Quit").ok());
        app.reset();
        EXPECT_EQ(live(), 0) << "fake objects still referenced";
    }

    com::ObjectPtr OpenDrawing(const char16_t* path = u"C:\\drawings\\a.dwg") {
        auto docs = Obj(app->Get(u"Documents"));
        return docs ? Obj(docs->Call(u"Open", {path}, {{u"ReadOnly", false}, {u"Password", u""}})) : nullptr;
    }
    std::vector<com::Value> Selected(const com::ObjectPtr& doc, const char16_t* name, std::vector<std::int16_t> types,
                                     std::vector<com::Value> data) {
        auto set = Obj(Obj(doc->Get(u"SelectionSets"))->Call(u"Add", {name}));
        EXPECT_TRUE(set->Call(u"Select", {std::int16_t(5), com::Missing{}, com::Missing{}, types, data}).ok());
        auto items = set->Enumerate();
        EXPECT_TRUE(items.ok()) << Text(items.error().description);
        return items.ok() ? *items : std::vector<com::Value>();
    }

    std::unique_ptr<com::Server> server;
    com::ObjectPtr app;
    QlnFakeFailFn fail = nullptr;
    QlnFakeLiveObjectsFn live = nullptr;
    QlnFakeCallsFn calls = nullptr;
};

TEST_F(Dispatch, StartsByProgIdAndFindsTheRunningInstance) {
    EXPECT_TRUE(server->IsRegistered(kProgId));
    EXPECT_FALSE(server->IsRegistered(u"Quillon.NoSuchServer"));
    auto missing = server->Create(u"Quillon.NoSuchServer");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().description.find(u"\"Quillon.NoSuchServer\" is not registered"), std::u16string::npos);
    auto none = server->GetActive(u"Quillon.NoSuchServer");
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(*none);

    // The application made in SetUp is the running one: what is set on it is seen through the other.
    auto running = server->GetActive(kProgId);
    ASSERT_TRUE(running.ok()) << Text(running.error().description);
    ASSERT_TRUE(*running);
    ASSERT_TRUE(app->Put(u"WindowState", std::int16_t(2)).ok());
    EXPECT_EQ(As<std::int32_t>((*running)->Get(u"WindowState")), 2);
    running->reset();

    // After Quit none runs, and asking is not an error.
    ASSERT_TRUE(app->Call(u"Quit").ok());
    auto after = server->GetActive(kProgId);
    ASSERT_TRUE(after.ok()) << Text(after.error().description);
    EXPECT_FALSE(*after);
}

TEST_F(Dispatch, NamedArgumentsInAnyOrderAndPositionalOnesInTheirOrder) {
    auto docs = Obj(app->Get(u"Documents"));
    auto a = Obj(docs->Call(u"Open", {u"C:\\a.dwg"}, {{u"ReadOnly", true}, {u"Password", u""}}));
    auto b = Obj(docs->Call(u"Open", {u"C:\\b.dwg"}, {{u"Password", u"secret"}, {u"ReadOnly", false}}));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(As<std::u16string>(a->Get(u"FullName")), u"C:\\a.dwg");
    EXPECT_EQ(As<bool>(a->Get(u"ReadOnly")), true);
    EXPECT_EQ(As<bool>(b->Get(u"ReadOnly")), false);
    EXPECT_EQ(As<std::int32_t>(docs->Get(u"Count")), 2);
    EXPECT_EQ(As<std::u16string>(Obj(docs->Get(u"Item", {std::int16_t(1)}))->Get(u"FullName")), u"C:\\b.dwg");

    ASSERT_TRUE(b->Call(u"SaveAs", {u"C:\\out\\b.dwg", std::int16_t(12)}).ok());
    EXPECT_EQ(As<std::u16string>(b->Get(u"FullName")), u"C:\\out\\b.dwg");
    EXPECT_EQ(As<std::int32_t>(b->Get(u"SavedAsType")), 12);

    auto unknown = docs->Call(u"Open", {u"C:\\c.dwg"}, {{u"ReadOnlyy", true}});
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().number, DISP_E_UNKNOWNNAME);
    EXPECT_NE(unknown.error().description.find(u"(Open, ReadOnlyy)"), std::u16string::npos);

    ASSERT_TRUE(a->Call(u"Close", {false}).ok());
    EXPECT_EQ(As<std::int32_t>(docs->Get(u"Count")), 1);
}

TEST_F(Dispatch, PropertiesPointsAndTextOutsideLatin) {
    ASSERT_TRUE(app->Put(u"Visible", false).ok());
    EXPECT_EQ(As<bool>(app->Get(u"Visible")), false);
    auto openSave = Obj(Obj(app->Get(u"Preferences"))->Get(u"OpenSave"));
    ASSERT_TRUE(openSave->Put(u"XrefDemandLoad", std::int16_t(1)).ok());
    EXPECT_EQ(As<std::int16_t>(openSave->Get(u"XrefDemandLoad")), 1);  // went as VT_I2

    auto texts = Selected(OpenDrawing(), u"T", {0}, {u"TEXT"});
    ASSERT_FALSE(texts.empty());
    auto text = texts[0].AsObject();
    EXPECT_EQ(As<std::u16string>(text->Get(u"ObjectName")), u"AcDbText");
    const std::u16string words = u"Ωμέγα Привет 日本語 \U0001F600 end";
    ASSERT_TRUE(text->Put(u"TextString", words).ok());
    EXPECT_EQ(As<std::u16string>(text->Get(u"TextString")), words);

    EXPECT_EQ(As<std::vector<double>>(text->Get(u"InsertionPoint")), (std::vector<double>{1, 2, 0}));
    ASSERT_TRUE(text->Put(u"InsertionPoint", std::vector<double>{10.5, -20, 30}).ok());
    EXPECT_EQ(As<std::vector<double>>(text->Get(u"InsertionPoint")), (std::vector<double>{10.5, -20, 30}));
    EXPECT_DOUBLE_EQ(As<double>(text->Get(u"Rotation")), 0.5);
}

TEST_F(Dispatch, SelectsWithOmittedPointsAndFilterArraysAndEnumerates) {
    auto doc = OpenDrawing();
    auto handles = [](const std::vector<com::Value>& items) {
        std::u16string all;
        for (const com::Value& i : items) all += As<std::u16string>(i.AsObject()->Get(u"Handle")) + u" ";
        return all;
    };
    EXPECT_EQ(handles(Selected(doc, u"TEXTS", {0}, {u"TEXT"})), u"1A 1B 1E ");
    // Filter data of two kinds in one array of variants: a string and a 16-bit integer.
    EXPECT_EQ(handles(Selected(doc, u"MODEL", {0, 67}, {u"TEXT,MTEXT", std::int16_t(0)})), u"1A 1B 1C ");
    auto inserts = Selected(doc, u"INSERTS", {0, 2}, {u"INSERT", u"TITLE"});
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(As<std::u16string>(inserts[0].AsObject()->Get(u"Name")), u"TITLE");

    auto sets = Obj(doc->Get(u"SelectionSets"));
    auto empty = Obj(sets->Call(u"Add", {u"EMPTY"}));
    auto none = empty->Enumerate();
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none->empty());
    auto allSets = sets->Enumerate();
    ASSERT_TRUE(allSets.ok());
    EXPECT_EQ(allSets->size(), 4u);

    // A block definition offers Count and Item only: read by index.
    auto block = Obj(Obj(doc->Get(u"Blocks"))->Get(u"Item", {u"TITLE"}));
    auto contents = block->Enumerate();
    ASSERT_TRUE(contents.ok()) << Text(contents.error().description);
    EXPECT_EQ(handles(*contents), u"2A 2B ");
}

TEST_F(Dispatch, ErrorsCarryTheServersDescriptionOrTheSystemMessage) {
    auto docs = Obj(app->Get(u"Documents"));
    fail(L"Open", 1, static_cast<HRESULT>(0x80200010), L"Drawing file is not valid.");
    auto open = docs->Call(u"Open", {u"C:\\bad.dwg"}, {{u"ReadOnly", false}});
    ASSERT_FALSE(open.ok());
    EXPECT_EQ(open.error().number, static_cast<long>(0x80200010));
    EXPECT_EQ(open.error().description, u"Drawing file is not valid.");

    auto doc = OpenDrawing();
    fail(L"SaveAs", 1, E_ACCESSDENIED, nullptr);
    auto save = doc->Call(u"SaveAs", {u"C:\\locked.dwg", std::int16_t(36)});
    ASSERT_FALSE(save.ok());
    EXPECT_EQ(save.error().number, E_ACCESSDENIED);
    wchar_t expected[256] = {};
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, E_ACCESSDENIED, 0,
                             expected, 256, nullptr), 0u);
    std::u16string message(reinterpret_cast<const char16_t*>(expected));
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) message.pop_back();
    EXPECT_EQ(save.error().description, message);

    auto blocks = Obj(doc->Get(u"Blocks"));
    auto unknownBlock = blocks->Get(u"Item", {u"NO SUCH BLOCK"});
    ASSERT_FALSE(unknownBlock.ok());
    EXPECT_EQ(unknownBlock.error().description, u"Key not found");

    auto noMember = doc->Get(u"NoSuchMember");
    ASSERT_FALSE(noMember.ok());
    EXPECT_EQ(noMember.error().number, DISP_E_UNKNOWNNAME);
    EXPECT_NE(noMember.error().description.find(u"NoSuchMember"), std::u16string::npos);

    auto text = Selected(doc, u"T", {0}, {u"TEXT"}).at(0).AsObject();
    ASSERT_TRUE(text->Call(u"Delete").ok());
    auto erased = text->Get(u"TextString");
    ASSERT_FALSE(erased.ok());
    EXPECT_EQ(erased.error().description, u"Object was erased");
}

TEST_F(Dispatch, RetriesABusyServerForTheBusyTimeoutOnly) {
    auto docs = Obj(app->Get(u"Documents"));
    fail(L"Count", 3, RPC_E_CALL_REJECTED, nullptr);
    EXPECT_EQ(As<std::int32_t>(docs->Get(u"Count")), 0);
    EXPECT_EQ(calls(L"Count"), 4);
    fail(L"Open", 2, RPC_E_SERVERCALL_RETRYLATER, nullptr);
    EXPECT_TRUE(OpenDrawing());
    EXPECT_EQ(calls(L"Open"), 3);

    com::dispatch::SetBusyTimeout(300ms);
    fail(L"Count", -1, RPC_E_CALL_REJECTED, nullptr);
    const auto start = std::chrono::steady_clock::now();
    auto busy = docs->Get(u"Count");
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(busy.ok());
    EXPECT_EQ(busy.error().number, RPC_E_CALL_REJECTED);
    EXPECT_NE(busy.error().description.find(u"busy"), std::u16string::npos);
    EXPECT_NE(busy.error().description.find(u"Count for 0.3 seconds"), std::u16string::npos);
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 3s);
    EXPECT_GT(calls(L"Count"), 5);
}

TEST_F(Dispatch, TheThreadsMessageFilterRetriesRejectionsWithinTheTimeout) {
    com::dispatch::SetBusyTimeout(1000ms);
    IMessageFilter* filter = nullptr;
    ASSERT_EQ(CoRegisterMessageFilter(nullptr, &filter), S_OK);
    ASSERT_TRUE(filter) << "no message filter registered on this thread";
    const DWORD soon = filter->RetryRejectedCall(nullptr, 10, SERVERCALL_RETRYLATER);
    const DWORD rejected = filter->RetryRejectedCall(nullptr, 600, SERVERCALL_REJECTED);
    const DWORD late = filter->RetryRejectedCall(nullptr, 1000, SERVERCALL_RETRYLATER);
    IMessageFilter* none = nullptr;
    CoRegisterMessageFilter(filter, &none);
    filter->Release();
    EXPECT_GE(soon, 100u);
    EXPECT_LE(soon, 500u);
    EXPECT_GE(rejected, 100u);
    EXPECT_LE(rejected, 400u);  // never past the deadline
    EXPECT_EQ(late, static_cast<DWORD>(-1));
}

TEST_F(Dispatch, EveryThreadJoinsAnApartmentOfItsOwn) {
    bool created = false, filtered = false;
    std::thread other([&] {
        auto theirs = com::dispatch::MakeServer()->Create(kProgId);
        created = theirs.ok() && As<std::int32_t>(Obj((*theirs)->Get(u"Documents"))->Get(u"Count")) == 0;
        IMessageFilter* filter = nullptr;
        if (CoRegisterMessageFilter(nullptr, &filter) == S_OK && filter) {
            filtered = true;
            IMessageFilter* none = nullptr;
            CoRegisterMessageFilter(filter, &none);
            filter->Release();
        }
        if (theirs.ok()) (*theirs)->Call(u"Quit");
    });
    other.join();
    EXPECT_TRUE(created);
    EXPECT_TRUE(filtered);
}

TEST_F(Dispatch, ReleasesEveryReferenceOnErrorPaths) {
    auto doc = OpenDrawing();
    auto text = Selected(doc, u"T", {0}, {u"TEXT"}).at(0).AsObject();
    const long before = live();

    // An object where a string is wanted: the server gets it and refuses it.
    auto mismatch = doc->Call(u"SaveAs", {text, std::int16_t(36)});
    ASSERT_FALSE(mismatch.ok());
    EXPECT_EQ(mismatch.error().number, DISP_E_TYPEMISMATCH);
    EXPECT_NE(mismatch.error().description.find(u"(SaveAs, argument 1)"), std::u16string::npos);
    // An object the layer cannot pass, after one it has already put in the arguments.
    auto foreign = doc->Call(u"SaveAs", {text, com::ObjectPtr(std::make_shared<Foreign>())});
    ASSERT_FALSE(foreign.ok());
    // A call rejected past the busy timeout, with an object among its arguments.
    com::dispatch::SetBusyTimeout(50ms);
    fail(L"Select", -1, RPC_E_CALL_REJECTED, nullptr);
    auto set = Obj(Obj(doc->Get(u"SelectionSets"))->Call(u"Add", {u"BUSY"}));
    EXPECT_FALSE(set->Call(u"Select", {std::int16_t(5), text, com::Missing{}, std::vector<std::int16_t>{0},
                                       std::vector<com::Value>{text}}).ok());
    set.reset();
    // An enumeration that fails.
    fail(L"_NewEnum", 1, E_OUTOFMEMORY, nullptr);
    EXPECT_FALSE(Obj(doc->Get(u"SelectionSets"))->Enumerate().ok());
    EXPECT_EQ(live(), before + 1);  // the set BUSY, which the document's collection holds
}

}  // namespace
