#include "report/GridReportSink.h"
#include "report/ReportComponent.h"

#include "platform/com/ComError.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Registry.h"

#include <gtest/gtest.h>

using namespace com;

namespace {

constexpr Guid kOther = MakeGuid("{00000000-1111-2222-3333-444444444444}");

class CountingSink : public CReportEventSink {
public:
    int fetches = 0;
    int initialises = 0;
    bool describe = true;
    void OnFetchRecord(VariantBool*) override { ++fetches; }
    void OnInitialize() override { ++initialises; }
    HRESULT GetFuncInfoFromId(const Guid& iid, DispId id, std::uint32_t lcid, FuncDesc& info) override {
        return describe ? CReportEventSink::GetFuncInfoFromId(iid, id, lcid, info) : E_FAIL;
    }

protected:
    friend class CReportEventSink;
    CountingSink() = default;
};

ComPtr<CountingSink> MakeSink() {
    report::RegisterComponent(); // the event type library
    CountingSink* raw = nullptr;
    EXPECT_EQ(CReportEventSink::CreateInstance(&raw), S_OK);
    return ComPtr<CountingSink>(raw);
}

HRESULT Fire(CReportEventSink& sink, DispId id, std::vector<Variant> args = {}) {
    DispParams params{std::move(args), {}};
    return sink.Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

} // namespace

TEST(ReportEventSink, QueryInterfaceAnswersTheEventInterfaceIUnknownAndIDispatch) {
    auto sink = MakeSink();
    ASSERT_TRUE(sink);
    for (const Guid& iid : {report::DIID_IReportEvents, IID_IUnknown, IID_IDispatch}) {
        void* out = nullptr;
        EXPECT_EQ(sink->QueryInterface(iid, &out), S_OK);
        EXPECT_NE(out, nullptr);
        static_cast<IUnknown*>(out)->Release();
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(kOther, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(sink->QueryInterface(IID_IConnectionPointContainer, &out), E_NOINTERFACE);
    EXPECT_EQ(sink->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(sink->AddRef(), 2u);
    EXPECT_EQ(sink->Release(), 1u);
}

TEST(ReportEventSink, StartsAtZeroAndLeavesTheModuleWithItsLastRelease) {
    report::RegisterComponent();
    const long locks = ModuleLockCount();
    CountingSink* raw = nullptr;
    ASSERT_EQ(CReportEventSink::CreateInstance(&raw), S_OK);
    EXPECT_EQ(raw->Cookie(), CReportEventSink::kNoCookie);
    EXPECT_EQ(ModuleLockCount(), locks + 1);
    EXPECT_EQ(raw->AddRef(), 1u); // the creator's caller takes the first reference
    {
        auto report = report::CreateReport();
        raw->SetReport(report.Get());
    }
    EXPECT_EQ(ModuleLockCount(), locks + 2); // the sink keeps the report alive
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(ModuleLockCount(), locks); // and releases it when destroyed
}

TEST(ReportEventSink, InvokeCallsTheHandlerOfTheDispatchId) {
    auto sink = MakeSink();
    VariantBool eof = VARIANT_FALSE;
    EXPECT_EQ(Fire(*sink, report::event::FetchRecord, {Variant::BoolRef(&eof)}), S_OK);
    EXPECT_EQ(sink->fetches, 1);
    EXPECT_EQ(eof, VARIANT_FALSE); // never written

    // No fixed description for 1: it comes from the type library.
    EXPECT_EQ(Fire(*sink, report::event::Initialize), S_OK);
    EXPECT_EQ(sink->initialises, 1);
    sink->describe = false;
    EXPECT_EQ(Fire(*sink, report::event::Initialize), S_OK);
    EXPECT_EQ(sink->initialises, 1); // a failed look-up calls nothing
}

TEST(ReportEventSink, UnknownIdsAndBadArgumentsCallNothing) {
    auto sink = MakeSink();
    for (DispId id : {0, 5, 21, 56, 99, -1})
        EXPECT_EQ(Fire(*sink, id), S_OK) << id;
    EXPECT_EQ(sink->Invoke(7, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Fire(*sink, report::event::FetchRecord), DISP_E_BADPARAMCOUNT);
    std::uint32_t argErr = 9;
    DispParams wrong{{Variant::Int(1)}, {}};
    EXPECT_EQ(sink->Invoke(report::event::FetchRecord, GUID_NULL, 0, DISPATCH_METHOD, &wrong, nullptr,
                           nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(sink->fetches, 0);
}

TEST(ReportEventSink, AnswersTypeInformationFromTheRegisteredLibrary) {
    auto sink = MakeSink();
    std::uint32_t count = 0;
    EXPECT_EQ(sink->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<TypeInfo> info;
    ASSERT_EQ(sink->GetTypeInfo(0, 0, info.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(info->Iid(), report::DIID_IReportEvents);
    EXPECT_EQ(info->FuncCount(), 14u);
    EXPECT_EQ(sink->GetTypeInfo(1, 0, info.ReleaseAndGetAddressOf()), DISP_E_BADINDEX);
    const QString name = "FetchRecord";
    DispId id = 0;
    EXPECT_EQ(sink->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, report::event::FetchRecord);
}

TEST(ReportComponentHolder, ConnectsTheSinkAndLeavesNothingBehind) {
    report::RegisterComponent();
    const long locks = ModuleLockCount();
    {
        CReportComponent component;
        EXPECT_THROW(component.Report(), ComError); // nothing created yet
        CGridReportSink* sink = component.Create<CGridReportSink>(nullptr);
        ASSERT_NE(sink, nullptr);
        ASSERT_NE(component.Get(), nullptr);
        EXPECT_NE(sink->Cookie(), CReportEventSink::kNoCookie);
        EXPECT_EQ(sink->GetReport(), component.Get());
        EXPECT_EQ(ModuleLockCount(), locks + 2);
        // A second creation replaces both.
        component.Create<CGridReportSink>(nullptr);
        EXPECT_EQ(ModuleLockCount(), locks + 2);
    }
    // The component holds the sink and the sink the component: the holder breaks that cycle.
    EXPECT_EQ(ModuleLockCount(), locks);
}
