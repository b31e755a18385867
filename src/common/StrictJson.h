#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1StringView>
#include <QMap>
#include <QString>

#include <optional>

// All-or-nothing decoding helpers over QJsonValue.
//
// A record is decoded by one Reader over its JSON object: every field read
// either succeeds or marks the reader failed, and the caller drops the whole
// document when ok() is false. Required fields must be present, non-null and
// of the right type; optional ones may be missing or null (then absent) but a
// present value of the wrong type fails just the same. Unknown keys are never
// looked at.
namespace StrictJson {

// Scalar conversions; each returns false when the value has another JSON type.
bool toInteger(const QJsonValue& value, qint64& out); // integral number within signed 64 bits
bool toDouble(const QJsonValue& value, double& out);  // any number
bool toString(const QJsonValue& value, QString& out);
bool toBool(const QJsonValue& value, bool& out);      // true or false only

class Reader
{
public:
    explicit Reader(const QJsonObject& object)
        : m_object(object)
    {
    }

    bool ok() const { return m_ok; }
    void fail() { m_ok = false; }

    template <typename T> void required(QLatin1StringView key, T& out)
    {
        if (!m_ok)
            return;
        if (!convert(m_object.value(key), out))
            m_ok = false;
    }

    template <typename T> void optional(QLatin1StringView key, std::optional<T>& out)
    {
        if (!m_ok)
            return;
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined() || value.isNull()) {
            out.reset();
            return;
        }
        T decoded{};
        if (!convert(value, decoded)) {
            m_ok = false;
            return;
        }
        out = std::move(decoded);
    }

private:
    static bool convert(const QJsonValue& value, qint64& out) { return toInteger(value, out); }
    static bool convert(const QJsonValue& value, double& out) { return toDouble(value, out); }
    static bool convert(const QJsonValue& value, QString& out) { return toString(value, out); }
    static bool convert(const QJsonValue& value, bool& out) { return toBool(value, out); }

    // Nested records: any type with `static bool fromJson(const QJsonObject&, T&)`.
    template <typename T>
    static auto convert(const QJsonValue& value, T& out) -> decltype(T::fromJson(QJsonObject(), out), bool())
    {
        return value.isObject() && T::fromJson(value.toObject(), out);
    }

    // Arrays keep the file's order.
    template <typename T> static bool convert(const QJsonValue& value, QList<T>& out)
    {
        if (!value.isArray())
            return false;
        const QJsonArray array = value.toArray();
        QList<T> result;
        result.reserve(array.size());
        for (const QJsonValue& element : array) {
            T item{};
            if (!convert(element, item))
                return false;
            result.append(std::move(item));
        }
        out = std::move(result);
        return true;
    }

    // Objects of integers, as (key, value) pairs in key order: cheaper to build
    // and to drop than a tree for the thousands of small per-day objects.
    static bool convert(const QJsonValue& value, QList<std::pair<QString, qint64>>& out)
    {
        if (!value.isObject())
            return false;
        const QJsonObject object = value.toObject();
        QList<std::pair<QString, qint64>> result;
        result.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            qint64 number;
            if (!toInteger(it.value(), number))
                return false;
            result.emplaceBack(it.key(), number);
        }
        out = std::move(result);
        return true;
    }

    // Objects used as maps: keys taken as they stand.
    template <typename T> static bool convert(const QJsonValue& value, QMap<QString, T>& out)
    {
        if (!value.isObject())
            return false;
        const QJsonObject object = value.toObject();
        QMap<QString, T> result;
        // The object iterates in key order, so every insertion goes at the end.
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            T item{};
            if (!convert(it.value(), item))
                return false;
            result.insert(result.cend(), it.key(), std::move(item));
        }
        out = std::move(result);
        return true;
    }

    const QJsonObject& m_object;
    bool m_ok = true;
};

} // namespace StrictJson

namespace StrictJson {
// The document's root object, or nothing when the bytes are not JSON, the
// root is not an object, or a number in it rounds to -2^63 without being
// written as that integer (it may lie below the 64-bit range).
std::optional<QJsonObject> parseObject(const QByteArray& bytes);
} // namespace StrictJson
