#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace engine {

// A fault in a document: what kind of fault, the file, the part (when one is concerned) and
// what is wrong, in short words: "book.xlsx: xl/charts/chart3.xml: not well-formed XML at line 12".
// Callers decide by kind(), never by the message, which is for people; so every error is made
// with its kind.
class DocumentError : public std::runtime_error {
public:
    enum class Kind {
        Corrupt,         // malformed or inconsistent content
        Missing,         // a file, part or relationship target that is not there; a sheet,
                         // slide, chart or position asked for that the document does not have
        OverLimit,       // refused because it breaks a bound: on untrusted input, on the ids
                         // left, on a size, on the time a conversion may take
        Unsupported,     // well-formed, but not something this engine reads
        NothingToPaste,  // the clipboard holds nothing a presentation can take
        Io,              // a file that cannot be read, written or replaced (a temporary one
                         // included), a picture that cannot be encoded
    };

    DocumentError(Kind kind, const QString& file, const QString& part, const QString& what);
    DocumentError(Kind kind, const QString& message);

    Kind kind() const noexcept { return m_kind; }
    const QString& message() const noexcept { return m_message; }

private:
    Kind m_kind = Kind::Corrupt;
    QString m_message;
};

// Bounds on every read of untrusted input. A package breaking one is refused as a whole
// (entries, total) or part by part (size, ratio, depth), never read past the bound.
struct Limits {
    // Zip entries of one package. Decks this program writes hold about seven entries per copied
    // chart (its slide, the chart, its style, colours and embedded workbook, two relationship
    // parts), so the bound leaves room for copy runs of over ten thousand charts, and a deck
    // that was written can always be read back. Entries cost a reader little: each takes at
    // least 76 bytes of the file (local header and directory record), and every entry of a
    // package of 100,000 small parts is read in about 3 s and 80 MB. Past 65,535 entries the
    // package is written as zip64.
    qint64 maxEntries = 100000;
    qint64 maxPartBytes = 512LL * 1024 * 1024;    // uncompressed size of one part
    qint64 maxTotalBytes = 2048LL * 1024 * 1024;  // uncompressed size of all parts together
    double maxRatio = 1000.0;                     // uncompressed / compressed, per part
    qint64 ratioFloorBytes = 1024 * 1024;         // parts smaller than this skip the ratio test
    int maxXmlDepth = 256;
};

// Part names are absolute OPC names ("/xl/workbook.xml"); zip entries carry them without the
// leading slash. Comparisons of part names ignore ASCII case, as OPC says.
QString partNameFromZipEntry(const QString& entry);
QString zipEntryFromPartName(const QString& partName);
// Whether name is a well-formed part name: absolute, segments neither empty nor "." or ".."
// nor ending in a dot, no backslash, no control character, no escaped slash. Anything else
// would become a zip entry outside the package's folders or one that other readers refuse.
bool isValidPartName(const QString& name);
// The folder of a part ("/xl/worksheets/sheet1.xml" -> "/xl/worksheets"); "/" for the root.
QString partFolder(const QString& partName);
// Resolves a relative target against the folder of sourcePart ("../drawings/d1.xml").
// An absolute target ("/xl/x.xml") stands as it is. "" when the target leaves the package.
QString resolvePartName(const QString& sourcePart, const QString& target);
// The relative target from sourcePart's folder to partName ("../charts/chart1.xml").
QString relativeTarget(const QString& sourcePart, const QString& partName);
// The relationships part of a part: "/xl/workbook.xml" -> "/xl/_rels/workbook.xml.rels";
// "" (the package) -> "/_rels/.rels".
QString relationshipsPartName(const QString& sourcePart);

// One relationship of a part (or of the package).
struct Relationship {
    QString id;
    QString type;
    QString target;      // as written
    bool external = false;
    QString targetPart;  // the resolved absolute part name; empty for external targets
};

// The relationships of one source part, in document order. Unknown attributes are not kept:
// relationships parts hold nothing else that matters.
class Relationships {
public:
    Relationships() = default;
    // Parses a .rels part. Throws DocumentError naming file and part when malformed.
    static Relationships parse(const QByteArray& xml, const QString& sourcePart,
                               const QString& file, const Limits& limits = {});

    const std::vector<Relationship>& all() const { return m_items; }
    const Relationship* byId(const QString& id) const;
    // Relationships of a type, given in its transitional spelling; the strict spelling of the
    // same type matches too.
    const Relationship* firstOfType(const QString& type) const;
    std::vector<const Relationship*> ofType(const QString& type) const;

    // Adds an internal relationship to targetPart with a fresh id ("rIdN", N one more than the
    // highest numbered rId); returns the id.
    QString add(const QString& type, const QString& sourcePart, const QString& targetPart);
    QString addExternal(const QString& type, const QString& target);
    void remove(const QString& id);
    // Points the internal relationship id at targetPart instead, keeping its id and type (a
    // part copied with its relationships, whose own parts are copied too). No change when there
    // is no such relationship.
    void retarget(const QString& id, const QString& sourcePart, const QString& targetPart);
    bool empty() const { return m_items.empty(); }

    QByteArray serialize() const;

private:
    std::vector<Relationship> m_items;
    QHash<QString, size_t> m_byId;  // index into m_items
    // The highest N of the ids "rIdN", once known (-1 until then), so that adding to a part of
    // thousands of relationships costs no scan of them all.
    qint64 m_highest = -1;
};

// [Content_Types].xml: defaults by extension and overrides by part name.
class ContentTypes {
public:
    static ContentTypes parse(const QByteArray& xml, const QString& file, const Limits& limits = {});

    // The content type of a part: its override, else the default for its extension, else "".
    QString of(const QString& partName) const;
    void setDefault(const QString& extension, const QString& contentType);
    bool hasDefault(const QString& extension) const;
    void setOverride(const QString& partName, const QString& contentType);
    void removeOverride(const QString& partName);

    QByteArray serialize() const;

private:
    std::vector<std::pair<QString, QString>> m_defaults;   // extension (lower case), type
    std::vector<std::pair<QString, QString>> m_overrides;  // part name, type
    // Lower-case part name -> its first override: a deck of thousands of parts looks each one
    // up as it is added.
    QHash<QString, size_t> m_overrideIndex;
};

// A read-only view of a package on disk. The zip stays open and parts are read on demand, so
// opening costs in proportion to the entry count, not to the parts' sizes. Every read is
// bounded by the limits. Not copyable; one thread at a time.
class PackageReader {
public:
    // Throws DocumentError naming the file: missing, unreadable, not a zip, too many entries,
    // or [Content_Types].xml absent or malformed.
    static std::unique_ptr<PackageReader> open(const QString& path, const Limits& limits = {});
    ~PackageReader();
    PackageReader(const PackageReader&) = delete;
    PackageReader& operator=(const PackageReader&) = delete;

    const QString& path() const { return m_path; }
    // The file's name, as errors name it.
    const QString& fileName() const { return m_fileName; }
    const Limits& limits() const { return m_limits; }
    // Part names in zip order.
    QStringList partNames() const;
    bool hasPart(const QString& partName) const;
    const ContentTypes& contentTypes() const { return m_contentTypes; }

    // The whole part. Throws DocumentError when absent, over a limit, or unreadable.
    QByteArray read(const QString& partName) const;
    // The relationships of sourcePart ("" for the package); empty when it has none.
    Relationships relationships(const QString& sourcePart) const;

    // The part read in pieces of about chunkBytes, handed to consume until it returns false or
    // the part ends; the same bounds apply. For large parts (cell data) read only partly. Each
    // piece is valid only during its call (its bytes are reused for the next): copy to keep.
    void readInChunks(const QString& partName, qint64 chunkBytes,
                      const std::function<bool(const QByteArray&)>& consume) const;

private:
    PackageReader() = default;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    QString m_path;
    QString m_fileName;
    Limits m_limits;
    ContentTypes m_contentTypes;
};

class ZipReader;
struct ZipOutEntry;

// An editable package: every part as bytes, in a stable order, plus the content types.
// Relationships parts are parts like any other ("/ppt/_rels/x.xml.rels"); relationships() and
// setRelationships() parse and write them. A package loaded from a file keeps that file open
// and reads a part only when it is first asked for (media never need be), and a save copies
// every part not set since as it is stored, compressed bytes and all. Copies of a package
// share the open file, and may be used on different threads (their reads of the file take
// turns); each one package object, one thread at a time.
class Package {
public:
    Package();
    // Opens the package at path: its entries and content types now, each part on demand,
    // within the limits. The file stays open while the package or a copy of it lives.
    static Package load(const QString& path, const Limits& limits = {});
    // Reads a package from bytes (a template or a zip held in memory); name is used in errors.
    static Package fromZipBytes(const QByteArray& zip, const QString& name,
                                const Limits& limits = {});

    const QString& name() const { return m_name; }
    QStringList partNames() const { return m_order; }
    bool hasPart(const QString& partName) const;
    // Throws DocumentError when absent, or when a part not read yet cannot be.
    const QByteArray& part(const QString& partName) const;
    void setPart(const QString& partName, const QByteArray& data);  // adds or replaces
    void removePart(const QString& partName);
    ContentTypes& contentTypes() { return m_contentTypes; }
    const ContentTypes& contentTypes() const { return m_contentTypes; }

    Relationships relationships(const QString& sourcePart) const;
    void setRelationships(const QString& sourcePart, const Relationships& rels);

    // A part name not yet used, from a pattern holding %1 ("/ppt/charts/chart%1.xml"),
    // with the lowest number from 1 up. Asked again and again as parts are added, it goes on
    // from the last number it gave rather than from 1.
    QString freePartName(const QString& pattern) const;
    // The same, passing over the lower-case names in reserved too: names chosen for parts that
    // are made first and added later, all together.
    QString freePartName(const QString& pattern, const QSet<QString>& reserved) const;
    // Describes partName as contentType in [Content_Types].xml, once: pictures and embedded
    // workbooks by the default of their extension, as office suites write them, when the
    // extension has none yet; anything else (or an extension already given another type) by an
    // override, unless the part is already described as that type.
    void setContentType(const QString& partName, const QString& contentType);

    // A part added with the relationship that reaches it.
    struct AddedPart {
        QString name;
        QString relationshipId;
    };
    // Adds a part related to sourcePart, the whole sequence in one: its name (from a pattern
    // holding %1, as freePartName; a pattern without one is the name itself, which must be
    // free), the bytes, its content type (setContentType) and a relationship of
    // relationshipType from sourcePart ("" for the package) in sourceRels, which the caller
    // holds and writes back with setRelationships, together with any other change it makes to
    // them. Throws DocumentError, leaving the package as it was, when the name is taken or not a
    // valid part name, the content type is empty, or sourcePart is not in the package.
    AddedPart addPart(const QString& pattern, const QByteArray& data, const QString& contentType,
                      const QString& sourcePart, Relationships& sourceRels,
                      const QString& relationshipType);
    // The same, reading and writing sourcePart's relationships itself.
    AddedPart addPart(const QString& pattern, const QByteArray& data, const QString& contentType,
                      const QString& sourcePart, const QString& relationshipType);

    // How many zip entries a save writes: the parts and [Content_Types].xml.
    qsizetype entryCount() const { return m_order.size() + 1; }

    QByteArray toZipBytes() const;
    // Writes to a temporary file beside path, flushes it, reopens and checks it, then renames
    // it over path (FileReplacement.h: under the folder's lock, which also lets it take away
    // temporaries that killed saves left in the folder). On any failure path is left as it
    // was and DocumentError is thrown. A file that was changed on disk since this package (or
    // a copy of it) read or saved it is not overwritten: that would lose the other writer's
    // work, so the save fails saying so.
    // The read-back check reads under limits, as the package will be read again.
    void saveAtomically(const QString& path, const Limits& limits = {}) const;

private:
    struct FileBasis;

    static Package open(const QString& path, const QString& name, const Limits& limits, bool readAll);
    std::vector<ZipOutEntry> zipEntries() const;

    QString m_name;
    QStringList m_order;
    mutable QHash<QString, QByteArray> m_parts;  // keyed by lower-case part name, once read
    QHash<QString, int> m_stored;  // parts as stored in m_source, never set since: lower-case name -> entry
    std::shared_ptr<const ZipReader> m_source;
    QHash<QString, QString> m_spelling;  // lower-case name -> name as first written
    ContentTypes m_contentTypes;
    // pattern -> where freePartName goes on from: every number below it was taken when last
    // asked. Shared by copies (under its lock), so that names chosen in a copy made to work on
    // aside are not probed for again in the package they are then added to; a copy that went
    // its own way may thus get a higher number than the lowest free, never a taken one.
    struct NameHints {
        std::mutex lock;
        QHash<QString, int> next;
    };
    std::shared_ptr<NameHints> m_freeFrom = std::make_shared<NameHints>();
    // The file last read or saved, as it was then; shared by copies, as they are of that file.
    std::shared_ptr<FileBasis> m_basis;
};

}  // namespace engine
