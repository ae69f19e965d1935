#pragma once

#include <QString>
#include <QStringList>

// A settings file of "[section]" headings and "key=value" lines, read and written one key at a
// time. Files are read as UTF-8, or as GBK when they are not valid UTF-8 (settings files written by
// hand in a Chinese editor). A write keeps every other line (keys, sections, comments, blank lines)
// in its place, creates the file, section or key when missing, writes UTF-8 and replaces the file
// in one step, so an interrupted write never leaves half a file.
class ProfileFile {
  public:
    // The longest value read, in bytes of the file's own encoding.
    static constexpr int kMaxValueBytes = 10240;

    explicit ProfileFile(const QString& path);

    // Reads the file again; a missing or unreadable file reads as empty.
    void reload();
    // The value with surrounding ASCII and full-width blanks removed; fallback (trimmed the same way)
    // when the section or key is missing. Sections and keys match without regard to ASCII case.
    QString value(const QString& section, const QString& key, const QString& fallback = QString()) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // Writes the file; false when it could not be written (the old file is then unchanged).
    bool save() const;

    // One key read from, or written to, the file at path.
    static QString read(const QString& path, const QString& section, const QString& key,
                        const QString& fallback = QString());
    static bool write(const QString& path, const QString& section, const QString& key, const QString& value);

    // Removes ASCII blanks (space, tab, CR, LF) and full-width blanks (U+3000) at both ends.
    static QString trimBlanks(const QString& text);

  private:
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;
    int sectionEnd(int sectionLine) const;

    QString m_path;
    QStringList m_lines;
    QString m_eol = QStringLiteral("\n");
    bool m_gbk = false;
    bool m_bom = false;
};
