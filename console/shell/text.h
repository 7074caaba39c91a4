// Screen texts and Qt's translation system. The Chinese texts are the source texts and the
// translation ids at once (qtTrId): with no translation installed every screen shows them byte
// for byte, with the English catalogue installed it shows their English.
//
// A text written inline where a screen is built is qtTrId("...") and is looked up there. A text
// kept as a constant (namespace scope, tables, descriptors) is a Text marked with
// QT_TRID_NOOP("..."): it holds the id only and is looked up each time it is shown, so the
// constant can exist before the catalogue is installed.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace plover {

class Text {
public:
    constexpr Text(const char* id) : id_(id) {}  // NOLINT: a marked literal converts implicitly

    QString toString() const { return qtTrId(id_); }
    operator QString() const { return toString(); }  // NOLINT: shown wherever a QString is taken
    const char* id() const { return id_; }

    template <class... Args>
    QString arg(Args&&... args) const {
        return toString().arg(std::forward<Args>(args)...);
    }

private:
    const char* id_;
};

inline QString operator+(const Text& a, const QString& b) { return a.toString() + b; }
inline QString operator+(const QString& a, const Text& b) { return a + b.toString(); }
inline QString operator+(const Text& a, const Text& b) { return a.toString() + b.toString(); }
inline QString operator+(const Text& a, QChar b) { return a.toString() + b; }
inline QString operator+(const Text& a, QLatin1Char b) { return a.toString() + QChar(b); }

// A list of constant texts as the strings a list widget takes.
using TextList = QList<Text>;
inline QStringList strings(const TextList& texts) {
    QStringList out;
    out.reserve(texts.size());
    for (const Text& t : texts) out << t.toString();
    return out;
}

}  // namespace plover
