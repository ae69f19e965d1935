#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

struct zip;
struct zip_source;

// The zip packages of Word documents, read from and written to memory with libzip. Reading keeps
// to a budget of unpacked bytes over all parts, so a small file that unpacks to gigabytes (a zip
// bomb) is refused instead of filling memory.
namespace documents {

class ZipReader {
  public:
    // Reads from bytes, which must outlive the reader.
    ZipReader(const QByteArray& bytes, qint64 unpackBudget);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // False (and *error set, Chinese) when the bytes are not a zip archive libzip can open.
    bool open(QString* error);
    // Part names are matched without regard to case, as Word matches them.
    bool has(const QString& name) const;
    // The unpacked bytes of one part, at most maxBytes of them and within what is left of the
    // budget; false and *error (Chinese) otherwise.
    bool read(const QString& name, qint64 maxBytes, QByteArray* out, QString* error);
    // Whether the last failed read failed because of the budget (the whole file is then refused).
    bool overBudget() const { return m_overBudget; }

  private:
    const QByteArray& m_bytes;
    qint64 m_budget;
    bool m_overBudget = false;
    zip* m_zip = nullptr;
    QHash<QString, qint64> m_index;
};

// A zip archive of the parts in the order given (compressed); empty and *error set on failure.
QByteArray zipParts(const QList<QPair<QString, QByteArray>>& parts, QString* error = nullptr);

// "word/" + "media/image1.png", "/word/media/x.png" or "../x.xml" as a part name.
QString resolvePartName(const QString& base, const QString& target);

} // namespace documents
