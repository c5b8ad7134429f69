#include "platform/com/ConnectionPoint.h"
#include "platform/com/Registry.h"

#include <gtest/gtest.h>

#include <vector>

using namespace com;

namespace {

constexpr Guid kEvents = MakeGuid("{11111111-2222-3333-4444-555555555555}");
constexpr Guid kOtherIid = MakeGuid("{99999999-2222-3333-4444-555555555555}");

// A minimal event sink: answers `answers` (and IUnknown) and records the ids it is invoked with.
class TestSink final : public IDispatch {
public:
    explicit TestSink(Guid answers) : m_answers(answers) {}
    HRESULT QueryInterface(const Guid& iid, void** out) override {
        if (iid == IID_IUnknown || iid == m_answers) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; } // lives on the test's stack
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, std::uint32_t, TypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const Guid&, const QString*, std::uint32_t, std::uint32_t, DispId*) override {
        return E_NOTIMPL;
    }
    HRESULT Invoke(DispId id, const Guid&, std::uint32_t, std::uint16_t, DispParams*, Variant*, ExcepInfo*,
                   std::uint32_t*) override {
        invoked.push_back(id);
        if (onInvoke)
            onInvoke();
        return S_OK;
    }

    Guid m_answers;
    std::uint32_t refs = 0;
    std::vector<DispId> invoked;
    std::function<void()> onInvoke;
};

// The owner a connection point lives in.
class Owner final : public IUnknown {
public:
    HRESULT QueryInterface(const Guid&, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }
    std::uint32_t refs = 0;
};

} // namespace

TEST(Guid, ParsesAndPrintsTheRegistryForm) {
    constexpr Guid g = MakeGuid("{13C28AD0-F195-4319-B7D7-A1BDAA329FB5}");
    static_assert(g.data1 == 0x13C28AD0 && g.data2 == 0xF195 && g.data3 == 0x4319);
    EXPECT_EQ(g.data4[0], 0xB7);
    EXPECT_EQ(g.data4[7], 0xB5);
    EXPECT_EQ(g.ToString(), QStringLiteral("{13C28AD0-F195-4319-B7D7-A1BDAA329FB5}"));
    EXPECT_EQ(Guid::Parse("13c28ad0-f195-4319-b7d7-a1bdaa329fb5"), g);
    EXPECT_FALSE(Guid::Parse("{13C28AD0-F195-4319-B7D7-A1BDAA329FB}"));
    EXPECT_FALSE(Guid::Parse("{13C28AD0xF195-4319-B7D7-A1BDAA329FB5}"));
    EXPECT_FALSE(Guid::Parse("{13C28AD0-F195-4319-B7D7-A1BDAA329FBG}"));
}

TEST(ComPtr, CountsReferences) {
    Owner o;
    {
        ComPtr<Owner> a(&o);
        EXPECT_EQ(o.refs, 1u);
        ComPtr<Owner> b = a;
        EXPECT_EQ(o.refs, 2u);
        ComPtr<Owner> c = std::move(b);
        EXPECT_EQ(o.refs, 2u);
        EXPECT_FALSE(b);
        c = nullptr;
        EXPECT_EQ(o.refs, 1u);
        o.AddRef();
        ComPtr<Owner> adopted = ComPtr<Owner>::Adopt(&o);
        EXPECT_EQ(o.refs, 2u);
    }
    EXPECT_EQ(o.refs, 0u);
}

TEST(ConnectionPoint, AdvisesAndUnadvisesByCookie) {
    Owner owner;
    ConnectionPoint cp(owner, kEvents);
    TestSink a(kEvents), b(kEvents);
    std::uint32_t ca = 0, cb = 0;
    ASSERT_EQ(cp.Advise(&a, &ca), S_OK);
    ASSERT_EQ(cp.Advise(&b, &cb), S_OK);
    EXPECT_NE(ca, cb);
    EXPECT_EQ(a.refs, 1u); // the point keeps a reference while connected
    cp.ForEachSink(
        [](IDispatch& s) { s.Invoke(7, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr); });
    EXPECT_EQ(a.invoked, std::vector<DispId>{7});
    EXPECT_EQ(b.invoked, std::vector<DispId>{7});

    EXPECT_EQ(cp.Unadvise(ca), S_OK);
    EXPECT_EQ(a.refs, 0u);
    EXPECT_EQ(cp.Unadvise(ca), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(cp.SinkCount(), 1u);

    Guid iid;
    EXPECT_EQ(cp.GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kEvents);
    // Its references are its owner's.
    cp.AddRef();
    EXPECT_EQ(owner.refs, 1u);
    cp.Release();
    cp.UnadviseAll();
    EXPECT_EQ(b.refs, 0u);
}

TEST(ConnectionPoint, RefusesASinkWithoutTheEventInterface) {
    Owner owner;
    ConnectionPoint cp(owner, kEvents);
    // Neither the event interface nor IDispatch.
    class Plain final : public IUnknown {
    public:
        HRESULT QueryInterface(const Guid&, void** out) override {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        std::uint32_t AddRef() override { return 1; }
        std::uint32_t Release() override { return 1; }
    } plain;
    std::uint32_t cookie = 5;
    EXPECT_EQ(cp.Advise(&plain, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(cp.Advise(nullptr, &cookie), E_POINTER);
}

TEST(ConnectionPoint, ASinkMayUnadviseDuringItsEvent) {
    Owner owner;
    ConnectionPoint cp(owner, kEvents);
    TestSink a(kEvents), b(kEvents);
    std::uint32_t ca = 0, cb = 0;
    cp.Advise(&a, &ca);
    cp.Advise(&b, &cb);
    a.onInvoke = [&] { cp.Unadvise(cb); };
    cp.ForEachSink(
        [](IDispatch& s) { s.Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr); });
    EXPECT_EQ(b.invoked.size(), 1u); // the event still reaches every sink connected when it started
    EXPECT_EQ(cp.SinkCount(), 1u);
    cp.UnadviseAll();
}

TEST(TypeLib, LoadsTheRegisteredVersion) {
    constexpr Guid lib = MakeGuid("{ABCDEF00-0000-0000-0000-000000000001}");
    auto info = TypeInfo::Create(
        kEvents, "Events", {FuncDesc{2, "FetchRecord", CallConv::StdCall, VT_EMPTY, {VT_BYREF | VT_BOOL}}});
    ASSERT_EQ(RegisterTypeLib(TypeLib::Create(lib, 3, 1, {info}).Get()), S_OK);

    ComPtr<TypeLib> loaded;
    EXPECT_EQ(LoadRegTypeLib(lib, 3, 0, loaded.ReleaseAndGetAddressOf()), S_OK); // a newer minor serves
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Minor(), 1);
    EXPECT_EQ(LoadRegTypeLib(lib, 3, 2, loaded.ReleaseAndGetAddressOf()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(LoadRegTypeLib(lib, 2, 0, loaded.ReleaseAndGetAddressOf()), TYPE_E_LIBNOTREGISTERED);

    ASSERT_EQ(LoadRegTypeLib(lib, 3, 0, loaded.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<TypeInfo> ti;
    EXPECT_EQ(loaded->GetTypeInfoOfGuid(kOtherIid, ti.ReleaseAndGetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
    ASSERT_EQ(loaded->GetTypeInfoOfGuid(kEvents, ti.ReleaseAndGetAddressOf()), S_OK);
    const QString names[] = {"fetchrecord", "Nothing"};
    DispId ids[2];
    EXPECT_EQ(ti->GetIDsOfNames(names, 2, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    ASSERT_NE(ti->FindFunc(2), nullptr);
    EXPECT_EQ(ti->FindFunc(3), nullptr);
    EXPECT_EQ(UnregisterTypeLib(lib, 3, 1), S_OK);
}

TEST(Registry, CreatesRegisteredInProcessClassesOnly) {
    constexpr Guid clsid = MakeGuid("{ABCDEF00-0000-0000-0000-000000000002}");
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);

    static Owner made;
    RegisterClassObject(clsid, [](const Guid&, void** o) {
        *o = static_cast<IUnknown*>(&made);
        made.AddRef();
        return S_OK;
    });
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(clsid, &made, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, 7, IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, &made);
    EXPECT_EQ(OleRun(static_cast<IUnknown*>(out)), S_OK);
    EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
    made.Release();
    RegisterClassObject(clsid, {});
    EXPECT_FALSE(IsClassRegistered(clsid));
}
