#include "app/ResourceLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QRegularExpression>
#include <QResource>
#include <atomic>
#include <sstream>

namespace {

std::string Unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char c = s[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

QByteArray ReadResource(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<MenuResource> ParseMenuItems(const QJsonArray& array) {
    std::vector<MenuResource> items;
    for (const QJsonValue& v : array) {
        const QJsonObject o = v.toObject();
        MenuResource m;
        m.separator = o.value(QStringLiteral("separator")).toBool();
        m.id = o.value(QStringLiteral("id")).toInt();
        m.text = o.value(QStringLiteral("text")).toString();
        m.items = ParseMenuItems(o.value(QStringLiteral("items")).toArray());
        items.push_back(std::move(m));
    }
    return items;
}

}  // namespace

std::map<int, std::string> ParseStringTable(const std::string& text) {
    std::map<int, std::string> table;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) continue;
        const std::string idText = line.substr(0, tab);
        if (idText.find_first_not_of("0123456789") != std::string::npos || idText.size() > 9) continue;
        table[std::stoi(idText)] = Unescape(line.substr(tab + 1));
    }
    return table;
}

CResourceLibrary::~CResourceLibrary() { Close(); }

bool CResourceLibrary::Open(const QString& rccPath) {
    Close();
    if (!QFileInfo(rccPath).isFile()) return false;
    // A root of its own, so the next library can be registered before this one is released.
    static std::atomic<int> counter{0};
    const QString root = QStringLiteral("/tarnelo-res-%1").arg(++counter);
    if (!QResource::registerResource(rccPath, root)) return false;
    m_path = rccPath;
    m_root = root;
    m_open = true;
    if (!ReadAll(QLatin1Char(':') + root)) {
        Close();
        m_strings.clear();
        m_menus.clear();
        m_accelerators.clear();
        m_dialogs.clear();
        m_icons.clear();
        return false;
    }
    return true;
}

void CResourceLibrary::Close() {
    if (!m_open) return;
    QResource::unregisterResource(m_path, m_root);
    m_open = false;
}

bool CResourceLibrary::ReadAll(const QString& root) {
    const QByteArray strings = ReadResource(root + QStringLiteral("/strings.tsv"));
    if (strings.isEmpty()) return false;
    m_strings = ParseStringTable(strings.toStdString());

    const QJsonObject menus = QJsonDocument::fromJson(ReadResource(root + QStringLiteral("/menus.json"))).object();
    for (auto it = menus.begin(); it != menus.end(); ++it) {
        m_menus[it.key().toInt()] = ParseMenuItems(it.value().toArray());
    }
    const QJsonObject accels =
        QJsonDocument::fromJson(ReadResource(root + QStringLiteral("/accelerators.json"))).object();
    for (auto it = accels.begin(); it != accels.end(); ++it) {
        std::vector<AcceleratorResource>& table = m_accelerators[it.key().toInt()];
        for (const QJsonValue& v : it.value().toArray()) {
            const QJsonObject o = v.toObject();
            table.push_back({o.value(QStringLiteral("key")).toString(), o.value(QStringLiteral("id")).toInt()});
        }
    }
    const QJsonObject dialogs = QJsonDocument::fromJson(ReadResource(root + QStringLiteral("/dialogs.json"))).object();
    for (auto it = dialogs.begin(); it != dialogs.end(); ++it) {
        std::map<int, QString>& texts = m_dialogs[it.key().toInt()];
        const QJsonObject controls = it.value().toObject();
        for (auto c = controls.begin(); c != controls.end(); ++c) {
            const int control = c.key() == QLatin1String("title")    ? 0
                                : c.key() == QLatin1String("static") ? -1
                                                                     : c.key().toInt();
            texts[control] = c.value().toString();
        }
    }
    static const QRegularExpression iconName(QStringLiteral("^icon(\\d+)\\.png$"));
    for (const QString& name : QDir(root).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = iconName.match(name);
        if (!m.hasMatch()) continue;
        QPixmap pixmap;
        if (pixmap.loadFromData(ReadResource(root + QLatin1Char('/') + name))) {
            m_icons[m.captured(1).toInt()] = QIcon(pixmap);
        }
    }
    return true;
}

std::string CResourceLibrary::Load(int id) const {
    const auto it = m_strings.find(id);
    return it != m_strings.end() ? it->second : std::string();
}

const std::vector<MenuResource>* CResourceLibrary::Menu(int id) const {
    const auto it = m_menus.find(id);
    return it != m_menus.end() ? &it->second : nullptr;
}

const std::vector<AcceleratorResource>* CResourceLibrary::Accelerators(int id) const {
    const auto it = m_accelerators.find(id);
    return it != m_accelerators.end() ? &it->second : nullptr;
}

QString CResourceLibrary::DialogText(int dialogId, int control) const {
    const auto d = m_dialogs.find(dialogId);
    if (d == m_dialogs.end()) return QString();
    const auto c = d->second.find(control);
    return c != d->second.end() ? c->second : QString();
}

bool CResourceLibrary::HasDialogControl(int dialogId, int control) const {
    const auto d = m_dialogs.find(dialogId);
    return d != m_dialogs.end() && d->second.count(control) != 0;
}

QIcon CResourceLibrary::Icon(int id) const {
    const auto it = m_icons.find(id);
    return it != m_icons.end() ? it->second : QIcon();
}
