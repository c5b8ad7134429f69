#include "platform/report/Report.h"

#include "platform/com/ComError.h"
#include "platform/com/Registry.h"
#include "platform/report/Document.h"
#include "platform/report/LabelTemplate.h"
#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"

#include <atomic>
#include <mutex>

namespace report {

namespace {

class ReportObject final : public IReport, public com::IConnectionPointContainer {
public:
    ReportObject() : m_events(static_cast<IReport&>(*this), DIID_IReportEvents) {
        com::LockModule();
        m_def.page = ChosenPageSetup();
    }

    // IUnknown
    com::HRESULT QueryInterface(const com::Guid& iid, void** out) override {
        if (!out)
            return com::E_POINTER;
        if (iid == com::IID_IUnknown || iid == IID_IReport)
            *out = static_cast<IReport*>(this);
        else if (iid == com::IID_IConnectionPointContainer)
            *out = static_cast<com::IConnectionPointContainer*>(this);
        else {
            *out = nullptr;
            return com::E_NOINTERFACE;
        }
        AddRef();
        return com::S_OK;
    }
    std::uint32_t AddRef() override { return ++m_refs; }
    std::uint32_t Release() override {
        const std::uint32_t n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }

    // IConnectionPointContainer
    com::HRESULT FindConnectionPoint(const com::Guid& iid, com::IConnectionPoint** out) override {
        if (!out)
            return com::E_POINTER;
        *out = nullptr;
        if (iid != DIID_IReportEvents)
            return com::CONNECT_E_NOCONNECTION;
        *out = &m_events;
        m_events.AddRef();
        return com::S_OK;
    }

    // IReport
    void Reset() override {
        m_def = ReportDefinition{};
        m_def.page = ChosenPageSetup(); // the page chosen with 报表打印设置
        m_records.Clear();
    }
    void SetFontSize(double points) override {
        if (!(points > 0 && points < 1000))
            throw com::ComError(com::E_INVALIDARG, IID_IReport, QStringLiteral("字号无效"));
        m_def.fontSize = points;
    }
    void SetTitle(const QString& title) override { m_def.title = title; }
    QString Title() const override { return m_def.title; }
    PageSetup& Page() override { return m_def.page; }
    Section& PageHeader() override { return Present(m_def.pageHeader); }
    Section& PageFooter() override { return Present(m_def.pageFooter); }
    Section& ReportHeader() override { return Present(m_def.reportHeader); }
    Section& ReportFooter() override { return Present(m_def.reportFooter); }
    DetailGrid& Detail() override {
        m_def.detail.present = true;
        return m_def.detail;
    }
    Recordset& Records() override { return m_records; }

    Field& FieldByName(const QString& name) override {
        if (Field* f = m_records.FindField(name))
            return *f;
        throw com::ComError(com::DISP_E_UNKNOWNNAME, IID_IReport,
                            QStringLiteral("报表中没有字段“%1”").arg(name));
    }

    bool LoadFromFile(const QString& path) override {
        QString error;
        auto loaded = LoadTemplate(path, &error);
        const bool ok = loaded.has_value();
        if (!ok)
            loaded = DefaultLabelTemplate();
        Reset();
        m_def = std::move(loaded->definition);
        for (const FieldDef& f : loaded->fields)
            m_records.AddField(f.name, f.type);
        return ok;
    }

    void Show(bool fitWidth) override {
        const com::ComPtr<IReport> self(this); // a sink may drop the last outside reference
        Document doc = Prepare();
        Fire(event::PreviewOpen);
        CurrentOutput().Preview(doc, fitWidth);
        Fire(event::PreviewClose);
    }

    void Print(bool showPrintDialog) override {
        const com::ComPtr<IReport> self(this); // a sink may drop the last outside reference
        Document doc = Prepare();
        Fire(event::PrintBegin);
        CurrentOutput().Print(doc, showPrintDialog);
        Fire(event::PrintEnd);
    }

    bool ExportPdf(const QString& path) override {
        const com::ComPtr<IReport> self(this); // a sink may drop the last outside reference
        Document doc = Prepare();
        const bool ok = doc.WritePdf(path);
        if (!ok)
            Fire(event::OutputError, {com::Variant::String(QStringLiteral("无法写入文件 %1").arg(path))});
        return ok;
    }

    const ReportDefinition& Definition() const override { return m_def; }

private:
    ~ReportObject() {
        m_events.UnadviseAll();
        com::UnlockModule();
    }

    static Section& Present(Section& s) {
        s.present = true;
        return s;
    }

    // Asks the sinks for the records and freezes definition and records into a document.
    Document Prepare() {
        if (m_busy)
            throw com::ComError(com::E_UNEXPECTED, IID_IReport, QStringLiteral("报表正在输出"));
        struct Busy {
            bool& flag;
            explicit Busy(bool& f) : flag(f) { flag = true; }
            ~Busy() { flag = false; }
        } busy(m_busy);
        Fire(event::Initialize);
        m_records.ClearRecords();
        com::VariantBool eof = com::VARIANT_FALSE;
        try {
            Fire(event::FetchRecord, {com::Variant::BoolRef(&eof)});
        } catch (...) {
            m_records.ClearRecords(); // no half-fed record set survives a failing sink
            throw;
        }
        m_records.PostPending();
        return Document(m_def, m_records);
    }

    void Fire(com::DispId id, std::vector<com::Variant> args = {}) {
        com::DispParams params{std::move(args), {}};
        m_events.ForEachSink([&](com::IDispatch& sink) {
            sink.Invoke(id, com::GUID_NULL, 0, com::DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        });
    }

    std::atomic<std::uint32_t> m_refs{0};
    com::ConnectionPoint m_events;
    ReportDefinition m_def;
    Recordset m_records;
    bool m_busy = false;
};

com::ComPtr<com::TypeLib> MakeTypeLib() {
    using com::FuncDesc;
    auto f = [](com::DispId id, const char* name, std::vector<com::VarType> params = {}) {
        return FuncDesc{id, QString::fromLatin1(name), com::CallConv::StdCall, com::VT_EMPTY,
                        std::move(params)};
    };
    std::vector<FuncDesc> funcs{
        f(event::Initialize, "Initialize"),
        f(event::FetchRecord, "FetchRecord", {com::VT_BYREF | com::VT_BOOL}),
        f(event::BeforePostRecord, "BeforePostRecord"),
        f(event::OutputError, "OutputError", {com::VT_BSTR}),
        f(event::SectionFormat, "SectionFormat", {com::VT_UNKNOWN}),
        f(event::GroupBegin, "GroupBegin", {com::VT_UNKNOWN}),
        f(event::PrintBegin, "PrintBegin"),
        f(event::PrintEnd, "PrintEnd"),
        f(event::FieldDisplayText, "FieldDisplayText", {com::VT_UNKNOWN}),
        f(event::ControlDraw, "ControlDraw", {com::VT_UNKNOWN}),
        f(event::PageBegin, "PageBegin"),
        f(event::PageEnd, "PageEnd"),
        f(event::PreviewOpen, "PreviewOpen"),
        f(event::PreviewClose, "PreviewClose"),
    };
    return com::TypeLib::Create(
        LIBID_Report, ReportLibMajor, ReportLibMinor,
        {com::TypeInfo::Create(DIID_IReportEvents, QStringLiteral("_IReportEvents"), std::move(funcs))});
}

} // namespace

void RegisterComponent() {
    static std::once_flag once;
    std::call_once(once, [] {
        com::RegisterTypeLib(MakeTypeLib().Get());
        com::RegisterClassObject(CLSID_Report, [](const com::Guid& iid, void** out) {
            auto* object = new (std::nothrow) ReportObject;
            if (!object) {
                *out = nullptr;
                return com::E_OUTOFMEMORY;
            }
            com::ComPtr<IReport> hold(object);
            return object->QueryInterface(iid, out);
        });
    });
}

com::ComPtr<IReport> CreateReport() {
    RegisterComponent();
    com::ComPtr<IReport> report;
    com::CoCreateInstance(CLSID_Report, nullptr, com::CLSCTX_INPROC_SERVER, IID_IReport,
                          report.ReleaseAndGetVoidAddressOf());
    return report;
}

} // namespace report
