// The tags of the results page: every value of the current audit's result,
// with a cursor over each list the page walks.
#pragma once

#include "asset/AssetComputerImpl.h"
#include "common/TagReplacer.h"

#include <boost/shared_ptr.hpp>

#include <comutil.h>

#include <string>

class Audit;
class AuditDocument;

class ResultsTagReplacer : public TagReplacer {
public:
    explicit ResultsTagReplacer(AuditDocument& document) : m_document(document) {}
    virtual ~ResultsTagReplacer() = default;

    // Points the cursors at the start of the document's current result;
    // false (with LastError) when the document has no audit engine.
    bool Start();
    Audit* Engine() const { return m_engine; }

    int FindHandler(const std::string& name) const override;
    bool CallHandler(int handler, TemplateOutputStream& out) override;

    const std::string& LastError() const { return m_lastError; }
    void SetLastError(const std::string& text) { m_lastError = text; }

protected:
    // The platform's date and number formatting; tests replace these.
    virtual std::string FormatDate(const _variant_t& date, bool longForm);
    virtual std::string FormatNumber(long value, bool localeForm);

private:
    typedef bool (ResultsTagReplacer::*Handler)(TemplateOutputStream& out);
    struct Tag {
        const char* name;
        Handler handler;
    };
    static const Tag* Tags(int& count);

    template <class Collection>
    struct ObjectCursor {
        boost::shared_ptr<Collection> collection;
        typename Collection::Part current;
        int index = 0;
        void Reset(const boost::shared_ptr<Collection>& list);
        bool Has() const;
        void Next();
    };
    struct TextCursor {
        boost::shared_ptr<AssetIMPL::StringCollectionImpl> list;
        int index = 0;
        bool Has() const;
        std::string Current() const;
    };

    AssetIMPL::AssetComputerImpl& Computer() const;
    bool Write(TemplateOutputStream& out, const std::string& text);
    bool Generic(TemplateOutputStream& out, AssetIMPL::GenericProp index);
    bool Own(TemplateOutputStream& out, AssetIMPL::ComputerProp index);

#define KES_RESULTS_TAG(name) bool Tag##name(TemplateOutputStream& out);
#include "app/ResultsTags.inc"
#undef KES_RESULTS_TAG

    AuditDocument& m_document;
    Audit* m_engine = nullptr;
    ObjectCursor<AssetIMPL::NetworkAdapterCollection> m_adapters;
    ObjectCursor<AssetIMPL::StorageDeviceCollection> m_storageDevices;
    ObjectCursor<AssetIMPL::LogicalDriveCollection> m_logicalDrives;
    ObjectCursor<AssetIMPL::SoftwareCollection> m_software;
    TextCursor m_printers;
    TextCursor m_hotfixes;
    std::string m_lastError;
};

// A date value in the user's long or short date form; "" for an empty date
// or one the platform cannot format.
std::string FormatVariantDate(const _variant_t& date, bool longForm);
// The decimal digits of value; with localeForm, the user's number format
// without decimals (digit grouping and all). "" when formatting fails.
std::string FormatLongValue(long value, bool localeForm);
