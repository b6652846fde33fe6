#include "benchdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdint>

namespace benchdata {

namespace {

// Bump when the generated rows change, so cached files of an older shape are not reused.
const int kDataVersion = 1;
// A prime that shares no factor with the sizes: number -> name position is a permutation.
const qint64 kSpread = 7919;

const QStringList kForms{"ООО", "ЧОО", "ООО ЧОО", "ЧОП", "АО", "ООО ЧОП"};
const QStringList kFirstWords{"Альфа",  "Барс",    "Бастион", "Беркут",  "Витязь",   "Вега",     "Гарант",
                              "Гепард", "Гранит",  "Дозор",   "Кордон",  "Легион",   "Монолит",  "Оплот",
                              "Патриот", "Рубеж",  "Сокол",   "Страж",   "Форпост",  "Цитадель", "Щит",
                              "Эгида",  "Ястреб",  "Кондор",  "Рысь",    "Титан",    "Атлант",   "Аргус",
                              "Булат",  "Варяг",   "Восток",  "Град",    "Застава",  "Кедр",     "Медведь",
                              "Орион",  "Пересвет", "Редут",  "Скиф",    "Ёрш"};
const QStringList kSecondWords{"Охрана",  "Безопасность", "Защита",  "Сервис",  "Центр",   "Плюс",
                               "Профи",   "Групп",        "Регион",  "Север",   "Юг",      "Запад",
                               "Урал",    "Сибирь",       "Волга",   "Дон",     "Нева",    "Кама",
                               "Ока",     "Альянс",       "Контроль", "Патруль", "Резерв", "Гарнизон",
                               "Конвой",  "Форт",         "Эскорт",  "Комплекс", "Стандарт", "Лидер"};
const QStringList kSurnames{"Иванов",   "Петров",   "Сидоров",  "Смирнов",  "Кузнецов", "Попов",    "Васильев",
                            "Соколов",  "Михайлов", "Новиков",  "Фёдоров",  "Морозов",  "Волков",   "Алексеев",
                            "Лебедев",  "Семёнов",  "Егоров",   "Павлов",   "Козлов",   "Степанов", "Николаев",
                            "Орлов",    "Андреев",  "Макаров",  "Никитин",  "Захаров",  "Зайцев",   "Соловьёв",
                            "Борисов",  "Яковлев",  "Григорьев", "Романов", "Воробьёв", "Сергеев",  "Кузьмин",
                            "Фролов",   "Александров", "Дмитриев", "Королёв", "Гусев",  "Киселёв",  "Ильин",
                            "Максимов", "Поляков",  "Сорокин",  "Виноградов", "Ковалёв", "Белов",   "Медведев",
                            "Антонов",  "Тарасов",  "Жуков",    "Баранов",  "Филиппов", "Комаров",  "Давыдов"};
const QStringList kMaleNames{"Александр", "Алексей", "Андрей",  "Антон",   "Артём",   "Борис",    "Вадим",
                             "Василий",   "Виктор",  "Владимир", "Геннадий", "Георгий", "Григорий", "Денис",
                             "Дмитрий",   "Евгений", "Егор",    "Иван",    "Игорь",   "Илья",     "Кирилл",
                             "Константин", "Леонид", "Максим",  "Михаил",  "Никита",  "Николай",  "Олег",
                             "Павел",     "Пётр",    "Роман",   "Сергей",  "Станислав", "Юрий"};
const QStringList kFemaleNames{"Анна",   "Валентина", "Галина", "Дарья",  "Екатерина", "Елена",  "Ирина",
                               "Лариса", "Людмила",   "Марина", "Мария",  "Наталья",   "Нина",   "Ольга",
                               "Светлана", "Татьяна", "Юлия"};
// Patronymics by father's name: male and female forms.
const QStringList kPatronymicsMale{"Александрович", "Алексеевич", "Андреевич", "Борисович",  "Викторович",
                                   "Владимирович",  "Дмитриевич", "Евгеньевич", "Иванович",  "Игоревич",
                                   "Михайлович",    "Николаевич", "Олегович",  "Павлович",   "Петрович",
                                   "Сергеевич",     "Юрьевич"};
const QStringList kPatronymicsFemale{"Александровна", "Алексеевна", "Андреевна", "Борисовна",  "Викторовна",
                                     "Владимировна",  "Дмитриевна", "Евгеньевна", "Ивановна",  "Игоревна",
                                     "Михайловна",    "Николаевна", "Олеговна",  "Павловна",   "Петровна",
                                     "Сергеевна",     "Юрьевна"};
const QStringList kPosts{"Генеральный директор", "Директор", "Исполнительный директор", "Управляющий"};
const QString kInitials = QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТФЮЯ");

// splitmix64: a fixed, well-spread hash of a number and a stream.
quint64 mix(quint64 value, quint64 stream)
{
    quint64 z = value * 0x9E3779B97F4A7C15ULL + stream * 0xBF58476D1CE4E5B9ULL + 0x94D049BB133111EBULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

const QString& pick(const QStringList& list, quint64 value, quint64 stream)
{
    return list.at(int(mix(value, stream) % quint64(list.size())));
}

int spreadNumber(int number, int companies)
{
    return companies > 0 ? int((qint64(number) * kSpread + 13) % companies) : 0;
}

QString lower(const QStringList& parts)
{
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            kept.append(part);
    }
    return kept.join(QLatin1Char(' ')).toLower();
}

// The nine values of employee j, in the column order of "personal".
QVariantList employeeRow(int j, int companies)
{
    const int company = j % companies;
    const bool female = mix(j, 1) % 3 == 0;
    QString surname = pick(kSurnames, j, 2);
    if (female)
        surname += QStringLiteral("а");
    const QString name = pick(female ? kFemaleNames : kMaleNames, j, 3);
    // A few employees have no patronymic: stored as the empty text, never NULL.
    const QString patron = mix(j, 4) % 40 == 0 ? QString::fromLatin1("")
                                               : pick(female ? kPatronymicsFemale : kPatronymicsMale, j, 5);
    const QString post = pick(kPosts, company, 6);
    const QString director = QStringLiteral("%1.%2. %3")
                                 .arg(kInitials.at(int(mix(company, 7) % quint64(kInitials.size()))))
                                 .arg(kInitials.at(int(mix(company, 8) % quint64(kInitials.size()))))
                                 .arg(pick(kSurnames, company, 9));
    const quint64 day = mix(j, 10);
    const QString date = QStringLiteral("%1.%2.%3")
                             .arg(int(day % 28) + 1, 2, 10, QLatin1Char('0'))
                             .arg(int(day / 28 % 12) + 1, 2, 10, QLatin1Char('0'))
                             .arg(2010 + int(day / 336 % 15));
    return {companyText(company, companies), surname, name, patron, post, director, date,
            lower({surname, name, patron}), (post + QLatin1Char(' ') + director).toLower()};
}

bool exec(QSqlQuery& query, const QString& statement, QString* error)
{
    if (query.exec(statement))
        return true;
    *error = statement + QStringLiteral(": ") + query.lastError().text();
    return false;
}

bool fillTables(QSqlDatabase& db, const Size& size, QString* error)
{
    QSqlQuery query(db);
    if (!exec(query, QStringLiteral("PRAGMA journal_mode=OFF"), error)
        || !exec(query, QStringLiteral("PRAGMA synchronous=OFF"), error)
        || !exec(query, QStringLiteral("CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT);"), error)
        || !exec(query,
                 QStringLiteral("CREATE TABLE personal (id TEXT,Фамилия TEXT,Имя TEXT,Отчество TEXT,Должность TEXT,"
                                "Руководитель TEXT,Дата_выдачи TEXT,person TEXT,director TEXT);"),
                 error))
        return false;
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO companies (Форма,Наименование,name) VALUES (?,?,?)"));
    for (int i = 0; i < size.companies; ++i) {
        insert.bindValue(0, companyForm(i, size.companies));
        insert.bindValue(1, companyName(i, size.companies));
        insert.bindValue(2, companyText(i, size.companies).toLower());
        if (!insert.exec()) {
            *error = insert.lastError().text();
            return false;
        }
    }
    insert.prepare(QStringLiteral("INSERT INTO personal (id,Фамилия,Имя,Отчество,Должность,Руководитель,"
                                  "Дата_выдачи,person,director) VALUES (?,?,?,?,?,?,?,?,?)"));
    for (int j = 0; j < size.employees; ++j) {
        const QVariantList row = employeeRow(j, size.companies);
        for (int c = 0; c < row.size(); ++c)
            insert.bindValue(c, row.at(c));
        if (!insert.exec()) {
            *error = insert.lastError().text();
            return false;
        }
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    return true;
}

bool generate(const Size& size, const QString& path, QString* error)
{
    const QString connection = QStringLiteral("benchgen");
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open())
            *error = db.lastError().text();
        else
            done = fillTables(db, size, error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return done;
}

bool copyFile(const QString& from, const QString& to, QString* error)
{
    QFile::remove(to);
    if (QFile::copy(from, to))
        return true;
    *error = QStringLiteral("cannot copy %1 to %2").arg(from, to);
    return false;
}

bool setJournalMode(const QString& path, const QString& mode, QString* error)
{
    const QString connection = QStringLiteral("benchjournal");
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QSqlQuery query(db);
        done = db.open() && exec(query, QStringLiteral("PRAGMA journal_mode=") + mode, error);
        if (!db.isOpen())
            *error = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return done;
}

} // namespace

QList<Size> sizes()
{
    return {{QStringLiteral("empty"), 0, 0},
            {QStringLiteral("1k"), 1000, 10000},
            {QStringLiteral("10k"), 10000, 100000},
            {QStringLiteral("25k"), 25000, 1000000},
            {QStringLiteral("100k"), 100000, 1000000}};
}

Size sizeByLabel(const QString& label)
{
    for (const Size& size : sizes()) {
        if (size.label == label)
            return size;
    }
    return {};
}

QString companyForm(int number, int companies)
{
    return pick(kForms, quint64(spreadNumber(number, companies)), 11);
}

QString companyName(int number, int companies)
{
    const int spread = spreadNumber(number, companies);
    const int combos = kFirstWords.size() * kSecondWords.size();
    const int first = spread % kFirstWords.size();
    const int second = spread / kFirstWords.size() % kSecondWords.size();
    const int series = spread / combos;
    QString name = QStringLiteral("«") + kFirstWords.at(first) + QLatin1Char('-') + kSecondWords.at(second);
    if (series > 0)
        name += QLatin1Char(' ') + QString::number(series);
    return name + QStringLiteral("»");
}

QString companyText(int number, int companies)
{
    return companyForm(number, companies) + QLatin1Char(' ') + companyName(number, companies);
}

QString ensureDatabase(const Size& size, const QString& cacheDir, QString* error)
{
    const QString path = QDir(cacheDir).filePath(QStringLiteral("data-%1-v%2.db").arg(size.label).arg(kDataVersion));
    if (QFileInfo::exists(path))
        return path;
    if (!QDir().mkpath(cacheDir)) {
        *error = QStringLiteral("cannot make ") + cacheDir;
        return QString();
    }
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    if (!generate(size, partial, error) || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        if (error->isEmpty())
            *error = QStringLiteral("cannot rename ") + partial;
        return QString();
    }
    return path;
}

bool seedWorkDir(const QString& workDir, QString* error)
{
    const QDir dir(workDir);
    const QDir source(QStringLiteral(CARDPRINT_SOURCE_DIR "/data"));
    if (!QDir().mkpath(dir.filePath(QStringLiteral("fonts")))) {
        *error = QStringLiteral("cannot make ") + dir.filePath(QStringLiteral("fonts"));
        return false;
    }
    for (const QString& name : {QStringLiteral("params.txt"), QStringLiteral("paramsBackUp.txt")}) {
        if (!copyFile(source.filePath(name), dir.filePath(name), error))
            return false;
    }
    const QDir fonts(source.filePath(QStringLiteral("fonts")));
    for (const QString& name : fonts.entryList(QDir::Files)) {
        if (!copyFile(fonts.filePath(name), dir.filePath(QStringLiteral("fonts/") + name), error))
            return false;
    }
    return true;
}

bool prepareWorkDir(const Size& size, const QString& cacheDir, const QString& workDir, QString* error,
                    const QString& journalMode)
{
    const QString database = ensureDatabase(size, cacheDir, error);
    if (database.isEmpty())
        return false;
    QDir dir(workDir);
    if (dir.exists() && !dir.removeRecursively()) {
        *error = QStringLiteral("cannot empty ") + workDir;
        return false;
    }
    if (!seedWorkDir(workDir, error))
        return false;
    const QString copy = dir.filePath(QStringLiteral("dataBase.db"));
    if (!copyFile(database, copy, error))
        return false;
    return journalMode.isEmpty() || setJournalMode(copy, journalMode, error);
}

} // namespace benchdata
