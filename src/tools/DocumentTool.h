#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The import tool's commands for documents of questions (Word and text papers, Moodle XML, GIFT,
// Aiken): reading one into a bank, checking one, and writing a bank out as one.
namespace doctool {

// Runs the command when args are one of these; nothing otherwise:
//   --child DOCUMENT OUT                 the child's reading (as the tool runs it)
//   --check DOCUMENT                     prints what was found and every problem
//   DOCUMENT ks.db [--code N]            the same, then imports when no question is bad
//   --export ks.db OUT.txt|.docx|.xml [--paper CODE]
// self is the tool's own program file, run again as the child.
std::optional<int> run(const QStringList& args, const QString& self);

// The part of --help about documents (Chinese).
QString helpText();

} // namespace doctool
