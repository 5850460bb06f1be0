// The file tools against the standard tools doing the same job on the same
// files, in the same run: sed -i for batch replace, split -b and cat for the
// splitter and its rejoin script, cat for merging, awk for text into files.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "core/filetools/FileTools.h"
#include "files/EncodedFile.h"
#include "files/FileJobs.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Row(const char* what, double ours, double peer, const char* peerName) {
    std::printf("  %-46s ours %7.3f s, %-10s %7.3f s, ratio %.2f\n", what, ours, peerName, peer,
                ours / peer);
}

void BatchReplace(const QString& dir) {
    const std::string text = bench::MakeGbkText(100 << 10);
    QDir(dir).mkdir("ours");
    QDir(dir).mkdir("sed");
    QStringList ours;
    for (int i = 0; i < 1000; ++i) {
        const QString name = QStringLiteral("/f%1.txt").arg(i);
        Write((dir + "/ours" + name).toStdString(), text);
        Write((dir + "/sed" + name).toStdString(), text);
        ours << dir + "/ours" + name;
    }
    const double t0 = bench::Now();
    for (const QString& f : ours) files::ReplaceInFile(f, u"report", u"summary", false);
    const double mine = bench::Now() - t0;
    const double peer =
        bench::TimeCommand("sed -i 's/report/summary/g' " + dir.toStdString() + "/sed/*.txt");
    Row("batch replace, 1,000 files of 100 KB", mine, peer, "sed -i");
}

void SplitAndRejoin(const QString& dir) {
    const std::string source = (dir + "/big.bin").toStdString();
    // 2 GB of text-like bytes, written in pieces.
    {
        const std::string block = bench::MakeGbkText(64u << 20);
        std::ofstream out(source, std::ios::binary);
        for (int i = 0; i < 32; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    QDir(dir).mkdir("parts");
    QDir(dir).mkdir("split");
    qm::filetools::SplitRequest r;
    r.sizeText = u"102400";  // 100 MB in KB
    r.openFile = QString::fromStdString(source).toStdU16String();
    r.saveFile = u"x";
    r.sourceSize = QFileInfo(QString::fromStdString(source)).size();
    const qm::filetools::SplitPlan plan = qm::filetools::CheckSplit(r).plan;
    const files::SplitNames names =
        files::NamesFor(QString::fromStdString(source), dir + "/parts/big.bin");
    bench::TimeCommand("sync");
    double t0 = bench::Now();
    files::SplitFile(QString::fromStdString(source), names, plan, {});
    files::WriteRejoinScripts(names, plan.parts, false);
    const double mine = bench::Now() - t0;
    bench::TimeCommand("sync");
    const double peer =
        bench::TimeCommand("cd " + dir.toStdString() + "/split && split -b 100M " + source + " p.");
    Row("split 2 GB into parts of 100 MB", mine, peer, "split -b");
    bench::TimeCommand("sync");
    const double join = bench::TimeCommand("sh " + dir.toStdString() + "/parts/big.bin.sh");
    bench::TimeCommand("sync");
    const double cat = bench::TimeCommand("cat " + dir.toStdString() + "/split/p.* > " +
                                          dir.toStdString() + "/cat.bin");
    Row("rejoin them with the written .sh", join, cat, "cat");
    const bool same =
        bench::TimeCommand("cmp -s " + source + " " + dir.toStdString() + "/parts/big.bin") >= 0;
    std::printf("  rejoined file identical to the source: %s\n", same ? "yes" : "NO");
    QDir(dir + "/parts").removeRecursively();
    QDir(dir + "/split").removeRecursively();
    QFile::remove(QString::fromStdString(source));
    QFile::remove(dir + "/cat.bin");
}

double PeakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void Merge(const QString& dir) {
    QDir(dir).mkdir("in");
    const std::string text = bench::MakeGbkText(2500u << 10);  // 200 x 2.5 MB = 500 MB
    QStringList inputs;
    std::string list;
    for (int i = 0; i < 200; ++i) {
        const QString p = dir + QStringLiteral("/in/%1.txt").arg(i, 3, 10, QLatin1Char('0'));
        Write(p.toStdString(), text);
        inputs << p;
        list.append(" ").append(p.toStdString());
    }
    const double before = PeakMb();
    double t0 = bench::Now();
    files::MergeFiles(inputs, dir + "/merged.txt", "\r\n");
    const double mine = bench::Now() - t0;
    const double grew = PeakMb() - before;
    const double peer = bench::TimeCommand("cat" + list + " > " + dir.toStdString() + "/cat.txt");
    Row("merge 200 files, 500 MB", mine, peer, "cat");
    std::printf("  peak memory while merging: %.0f MB more than before (whole process %.0f MB)\n",
                grew, PeakMb());
    QDir(dir + "/in").removeRecursively();
    QFile::remove(dir + "/merged.txt");
    QFile::remove(dir + "/cat.txt");
}

void TextIntoFiles(const QString& dir) {
    // 100,000 records "标题N|content}" CR LF, about 50 MB.
    std::u16string text;
    const std::u16string body(240, u'文');
    for (int i = 0; i < 100000; ++i) {
        const std::string n = std::to_string(i);
        text += u"标题";
        text.append(n.begin(), n.end());
        text += u'|';
        text += body;
        text += u"}\r\n";
    }
    const std::string input = (dir + "/records.txt").toStdString();
    Write(input, qm::enc::Encode(text, qm::enc::Encoding::Gbk).bytes);
    const double t0 = bench::Now();
    files::TextReadResult r =
        files::ReadTextFile(QString::fromStdString(input), qm::enc::Encoding::Gbk);
    const auto records = qm::filetools::CutRecords(r.loaded.text, u"|", u"}");
    files::WriteRecords(records, dir + "/records-ours");
    const double mine = bench::Now() - t0;
    QDir(dir).mkdir("awk");
    // Each record is written when the next one begins, so what follows the
    // last separator is not a record (plain awk has no record terminator).
    const std::string awk =
        "cd " + dir.toStdString() +
        "/awk && LC_ALL=C awk 'function w(r, a, f) { sub(/^\\r\\n/, \"\", r); "
        "split(r, a, \"|\"); f = a[1] \".txt\"; printf \"%s\\r\\n\", r > f; close(f) } "
        "BEGIN { RS = \"}\" } NR > 1 { w(prev) } { prev = $0 }' " +
        input;
    const double peer = bench::TimeCommand(awk);
    Row("text into files, 100,000 records of 50 MB", mine, peer, "awk");
    std::printf("  files written (ours, awk):");
    std::fflush(stdout);
    std::system(("for d in records-ours awk; do printf ' %s' $(ls -1 " + dir.toStdString() +
                 "/$d | wc -l); done; echo")
                    .c_str());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(QDir::tempPath() + "/quillmere-bench-XXXXXX");
    std::printf("file tools against the standard tools, on the same files in the same run\n");
    std::fflush(stdout);
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "replace") BatchReplace(dir.path());
    if (only.empty() || only == "split") SplitAndRejoin(dir.path());
    if (only.empty() || only == "merge") Merge(dir.path());
    if (only.empty() || only == "records") TextIntoFiles(dir.path());
    return 0;
}
