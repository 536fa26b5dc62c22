// Writes the program's help: an index page and one page per menu, with every item of the menu
// tree and its shortcut, into the folder given as the argument. Run at build time, so the pages
// always match the menus.
#include "catalogue/menu_table.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

struct MenuIntro {
    const char* name;
    const char* text;
};

// What each menu is for, in a sentence or two.
constexpr MenuIntro kIntros[] = {
    {"mnumFile", "Opening images from files, the web, a scanner or the screen; creating, "
                 "saving and printing them; leaving the program."},
    {"mnumEdit", "Undo and redo, the clipboard, and the selection."},
    {"mnuView", "Zooming the active image, the magnifier and the histogram window."},
    {"mnumImages", "The pages of a multi-page image: moving between them, adding, removing and "
                   "appending them to a TIFF file, the image type and the background picture."},
    {"mnumChannels", "Alpha (transparency) and colour channel operations."},
    {"mnumDraw", "What the drawing tools draw with: colours, line styles, fill, textures."},
    {"mnumEffects", "Effects on the whole image or on the selection; most ask for their values in "
                    "a dialog first."},
    {"mnumFilters", "Filters: blurs, sharpening, noise, edges, tone and colour adjustments. Some "
                    "open a dialog with a live preview."},
    {"mnumTransforms", "Resizing, rotating and the distortions."},
    {"mnumMetaData", "The EXIF and IPTC information of a photograph and its JPEG markers."},
    {"mnuFileSettings", "Settings the program keeps between runs."},
    {"mnuWindow", "Arranging the document windows."},
    {"mnuHelp", "About the program, this help and updates."},
};

QString key(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// A caption as shown: access-key ampersands removed, "&&" kept as one "&".
QString shown(const char* caption) {
    QString text = QString::fromUtf8(caption);
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

QString fileOf(const menus::MenuRow& top) {
    return QString::fromLatin1(top.name).toLower() + QStringLiteral(".html");
}

const char* kStyle = "<style>body{font-family:sans-serif;max-width:48em;margin:2em auto;"
                     "line-height:1.4}td,th{padding:.15em .8em;text-align:left}"
                     "kbd{border:1px solid #888;border-radius:3px;padding:0 .3em}</style>";

void writePage(const QString& path, const QString& title, const QString& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    QTextStream out(&file);
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>"
        << title.toHtmlEscaped() << " - Pixendra Help</title>" << kStyle << "</head><body>\n"
        << body << "<p><a href=\"index.html\">Contents</a></p></body></html>\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) return 1;
    const std::span<const menus::MenuRow> rows = menus::menuRows();
    // The items under each parent, in display order.
    QHash<QString, QList<const menus::MenuRow*>> children;
    for (const menus::MenuRow& r : rows)
        if (*r.parent) children[key(r.parent, r.parentIndex)] << &r;

    QString index = QStringLiteral("<h1>Pixendra Help</h1>\n<p>Pixendra opens images into "
                                   "document windows inside one frame. Each menu has a page:</p>"
                                   "\n<ul>\n");
    for (const menus::MenuRow& top : rows) {
        if (*top.parent) continue;
        const QString title = shown(top.caption);
        index += QStringLiteral("<li><a href=\"%1\">%2</a></li>\n").arg(fileOf(top), title);
        QString body = QStringLiteral("<h1>%1</h1>\n").arg(title.toHtmlEscaped());
        for (const MenuIntro& intro : kIntros)
            if (qstrcmp(intro.name, top.name) == 0)
                body += QStringLiteral("<p>%1</p>\n").arg(QString::fromUtf8(intro.text));
        body += QStringLiteral("<table>\n<tr><th>Command</th><th>Shortcut</th></tr>\n");
        // Depth-first through the submenus, each item named by its path.
        std::function<void(const menus::MenuRow&, const QString&)> walk =
            [&](const menus::MenuRow& item, const QString& path) {
                const auto below = children.value(key(item.name, item.index));
                for (const menus::MenuRow* child : below) {
                    const QString caption = path + shown(child->caption);
                    const QString shortcut = *child->shortcut
                                                 ? QStringLiteral("<kbd>%1</kbd>")
                                                       .arg(QString::fromLatin1(child->shortcut))
                                                 : QString();
                    if (!(child->flags & menus::kHidden))
                        body += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n")
                                    .arg(caption.toHtmlEscaped(), shortcut);
                    walk(*child, caption + QStringLiteral(" > "));
                }
            };
        walk(top, QString());
        body += QStringLiteral("</table>\n");
        writePage(folder.filePath(fileOf(top)), title, body);
    }
    index += QStringLiteral("</ul>\n<p>F1 opens this help from anywhere in the program.</p>\n");
    writePage(folder.filePath(QStringLiteral("index.html")), QStringLiteral("Contents"), index);
    return 0;
}
