// A collection of the parts of a computer that remembers which members were
// added and which objects were removed, so a reader of the asset record can
// tell new parts from known ones.
#pragma once

#include "asset/AssetObjectLess.h"
#include "asset/AssetRecords.h"
#include "asset/Exceptions.h"

#include <boost/shared_ptr.hpp>

#include <comdef.h>

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

namespace AssetIMPL {

// String-table identifier of the error raised when a part is added twice.
const unsigned int kDuplicatePartStringId = 1003;

// T is the part class, Sorted 1 keeps the members ordered by Compare over the
// parts, 0 keeps the order of addition.
template <class T, int Sorted, class Compare>
class ObjectCollectionImpl {
public:
    typedef boost::shared_ptr<T> Part;
    typedef std::vector<Part> PartVector;

    ObjectCollectionImpl() = default;

    // A deep copy: new part objects with equal properties and flags, the same
    // change states and the same member order.
    ObjectCollectionImpl(const ObjectCollectionImpl& other) { CopyFrom(other); }
    ObjectCollectionImpl& operator=(const ObjectCollectionImpl& other)
    {
        if (this != &other) {
            CopyFrom(other);
        }
        return *this;
    }
    virtual ~ObjectCollectionImpl() = default;

    const PartVector& Members() const { return m_members; }
    const PartVector& Removed() const { return m_removed; }
    const PartVector& Added() const { return m_added; }

    // Membership is by identity: two equal but distinct parts are both taken.
    // A sorted collection takes the part at its place; members of equal keys
    // keep no particular order.
    void Add(const Part& part)
    {
        if (std::find(m_members.begin(), m_members.end(), part) != m_members.end()) {
            throw ondelmark_com_error(kDuplicatePartStringId);
        }
        if (Sorted == 1) {
            m_members.insert(std::upper_bound(m_members.begin(), m_members.end(), part, PartLess), part);
        } else {
            m_members.push_back(part);
        }
        m_added.push_back(part);
    }

    // Add for many parts at once, with one membership pass and one sort, so
    // that n parts cost O(n log n). A part that is a member already, or given
    // twice, throws as Add does and nothing is added.
    void AddAll(const PartVector& parts)
    {
        std::unordered_set<const T*> present;
        present.reserve(m_members.size() + parts.size());
        for (const Part& member : m_members) {
            present.insert(member.get());
        }
        for (const Part& part : parts) {
            if (!present.insert(part.get()).second) {
                throw ondelmark_com_error(kDuplicatePartStringId);
            }
        }
        m_members.insert(m_members.end(), parts.begin(), parts.end());
        if (Sorted == 1) {
            std::sort(m_members.begin(), m_members.end(), PartLess);
        }
        m_added.insert(m_added.end(), parts.begin(), parts.end());
    }

    // One character per member in member order ("1" added, "0" known), then
    // "2" per removed object.
    std::string ChangeStateText() const
    {
        std::unordered_set<const T*> added;
        added.reserve(m_added.size());
        for (const Part& part : m_added) {
            added.insert(part.get());
        }
        std::string states;
        states.reserve(m_members.size() + m_removed.size());
        for (const Part& member : m_members) {
            states += added.count(member.get()) != 0 ? '1' : '0';
        }
        states.append(m_removed.size(), '2');
        return states;
    }

    // Writing a part's record may give it its key (a new GUID text), so the
    // members are not const here.
    void ToVariant(VARIANT* out) const
    {
        VariantInit(out);
        if (m_members.empty()) {
            out->vt = VT_NULL;
            return;
        }
        VariantList records;
        records.Values().reserve(m_members.size() + m_removed.size());
        for (const Part& member : m_members) {
            records.Add(member->ToRecord());
        }
        for (const Part& removed : m_removed) {
            records.Add(removed->ToRecord());
        }
        *out = MakeCollectionVariant(ChangeStateText(), records.Values());
    }

    // Members keep the array's order; they are not sorted again.
    void FromVariant(const VARIANT& in)
    {
        m_members.clear();
        m_removed.clear();
        m_added.clear();
        if (in.vt == VT_EMPTY || in.vt == VT_NULL) {
            return;
        }
        CollectionVariantReader reader(in);
        const std::string& states = reader.ChangeStates();
        PartVector members, removed, added;
        for (size_t i = 0; i < states.size(); ++i) {
            Part part(new T(reader.Record(i)));
            switch (states[i]) {
            case '0':
                members.push_back(part);
                break;
            case '1':
                members.push_back(part);
                added.push_back(part);
                break;
            case '2':
                removed.push_back(part);
                break;
            default:
                _com_issue_error(E_INVALIDARG);
            }
        }
        m_members.swap(members);
        m_removed.swap(removed);
        m_added.swap(added);
    }

private:
    static bool PartLess(const Part& left, const Part& right) { return Compare()(*left, *right); }

    void CopyFrom(const ObjectCollectionImpl& other)
    {
        VARIANT form;
        other.ToVariant(&form);
        try {
            FromVariant(form);
        } catch (...) {
            VariantClear(&form);
            throw;
        }
        VariantClear(&form);
    }

    PartVector m_members;
    PartVector m_removed;
    PartVector m_added;
};

} // namespace AssetIMPL
