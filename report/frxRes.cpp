#include "report/frxRes.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "report/frxUtils.h"
#include "script/fs_iconst.h"

#include <cstdint>

// Compiled in from report/pictures by the build.
void RegisterReportPictures();

namespace
{

// Section rulers begin with "=" and have no key, so the loader skips them.
const char *const BuiltinText = R"(1=ОК
2=Отмена
3=Все
4=Текущая
5=Номера:
6=Диапазон страниц
7=Закрыть
8=Применить
9=Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12
======== TfrxPreviewForm ========
100=Предварительный просмотр
101=Печать
102=Печать отчета
103=Открыть
104=Открыть готовый отчет
105=Сохранить
106=Сохранить готовый отчет
107=Экспорт
108=Экспорт в другие форматы
109=Найти
110=Найти текст
111=Целиком
112=Страница целиком
113=По ширине
114=Страница по ширине
115=100%
116=Масштаб 100%
117=Две страницы
118=Несколько страниц
119=Масштаб
120=Параметры страницы
121=Изменить параметры страницы
122=Дерево отчета
123=Показать или скрыть дерево отчета
124=Рука
125=Двигать страницы мышью
126=Лупа
127=Увеличить или уменьшить щелчком
128=Новая страница
129=Добавить новую страницу
130=Удалить страницу
131=Удалить текущую страницу
132=Редактировать
133=Редактировать страницу
134=Первая
135=Первая страница
136=Предыдущая
137=Предыдущая страница
138=Следующая
139=Следующая страница
140=Последняя
141=Последняя страница
142=Номер страницы
150=Полноэкранный режим
151=Экспорт в PDF
152=Отправить по электронной почте
zmPageWidth=По ширине
zmWholePage=Страница целиком
======== TfrxPrintDialog ========
200=Печать
201=Принтер
202=Страницы
203=Количество
204=Разобрать по копиям
205=Копии
206=Печатать
207=Тип:
208=Где:
209=Свойства...
210=Печать в файл
211=В обратном порядке
ppAll=Все страницы
ppOdd=Нечетные страницы
ppEven=Четные страницы
======== TfrxSearchDialog ========
300=Искать текст
301=Текст:
302=Настройки поиска
303=Заменить
304=Искать с начала
305=Различать регистр
======== TfrxPageSettingsForm ========
400=Настройки страницы
401=Ширина
402=Высота
403=Размер
404=Ориентация
405=Левое
406=Верхнее
407=Правое
408=Нижнее
409=Поля
410=Портретная
411=Альбомная
412=Прочее
413=Применить к текущей странице
414=Применить ко всем страницам
======== TfrxDMPExportDialog ========
500=Печать на матричный принтер
501=Принтер
502=Страницы
503=Копии
504=Параметры
505=Управляющие коды
506=Стиль шрифта
507=Разрывы страниц
508=Коды OEM
509=Псевдографика
510=Сохранить в файл
======== Messages ========
mbConfirm=Подтверждение
mbError=Ошибка
mbInfo=Информация
xrCantFindClass=Не удалось найти класс
prVirtual=Виртуальный
prDefault=По умолчанию
prCustom=Пользовательский
enUnconnHeader=Не подключенный header/footer
enUnconnGroup=Нет дата-бэнда для группы
enUnconnGFooter=Нет заголовка группы
enBandPos=Неправильно расположен бэнд:
dbNotConn=Компонент %s не подключен к данным
dbFldNotFound=Поле не найдено:
clDSNotIncl=(компонент не включен в Report.DataSets)
clUnknownVar=Неизвестная переменная или поле БД:
clScrError=Ошибка в скрипте %s: %s
clDSNotExist=Набор данных "%s" не найден
clDSNoEnd=Набор данных "%s": не задан конец диапазона, построение прервано после %d записей
clErrors=Были обнаружены следующие ошибки:
clExprError=Ошибка в выражении
clRPDfiles=Готовый отчет
clSaving=Сохранение файла...
clCancel=Отмена
clClose=Закрыть
clPrinting=Печатается страница
clLoading=Загрузка файла...
clPageOf=Страница %d из %d
clFirstPass=Первый проход: страница
clNoPrinters=В вашей системе не установлено принтеров
clDecompressError=Ошибка распаковки данных
clStreamExpected=Ожидается поток
clStringsExpected=Ожидается список строк
clRunningObjects=Объекты выполняемого отчета нельзя удалять
clFreeOwnReport=Отчет не может быть удален собственным скриптом
clParentItself=Компонент нельзя поместить внутрь самого себя
clNoEngine=Механизм построения отчета недоступен
clNoPreparedPages=Подготовленные страницы отчета недоступны
clNoPreview=Предварительный просмотр отчёта недоступен
clUnknownError=Неизвестная ошибка
clCyclicRef=циклическая ссылка
clDuplName=Duplicate name
clWideBounds=Wide String Out of Bounds
clInvalidPrinter=Printer selected is not valid
clJobNotStarted=Не удалось начать задание печати
clDocNotSent=Не удалось передать документ принтеру
clPrinterRefused=Принтер не принимает данные
clRendererBusy=Вывод текста уже занят другим объектом
clSameDSReportPage=Cannot use the same dataset for Report.DataSet and Page.DataSet
clSameDSReportBand=Cannot use the same dataset for Report.DataSet and Band.DataSet
clSameDSPageBand=Cannot use the same dataset for Page.DataSet and Band.DataSet
clBandNoFit=Бэнд %s не помещается на странице
clObjectNoFit=Объект %s бэнда %s не помещается на странице
clNoPrinting=Печать отчета недоступна
clBadRPD=Неверный формат готового отчета: %s
clRPDPageClass=неизвестный класс страницы %s
clRPDNoSourcePage=псевдоним %s не указывает на исходную страницу
clRPDNoSourceObject=псевдоним %s не указывает на исходный объект
clRPDPageNoSource=у страницы %d нет исходной страницы
clRPDRoot=корневой элемент %s
clPrintToFile=Print To File
clFileExists=Файл уже существует. Заменить его?
clBadDMPCommand=Неверная команда принтера "%s"
clShowTemplate=Show template
crFillMx=Заполнение кросс-таблицы...
crBuildMx=Построение кросс-таблицы...
prRunningFirst=Первый проход: страница %d
prRunning=Готовится страница %d
prPrinting=Печатается страница %d
prExporting=Экспорт страницы %d
uCm=см
uInch=дюйм
uPix=пикс
uChar=симв
======== Objects and prompts ========
obReport=Отчет
obRepPage=Страница
obBand=Бэнд
obDataBand=Бэнд данных
obText=Текст
obSysText=Системный текст
obLine=Линия
obPicture=Рисунок
obShape=Фигура
obSubRep=Вложенный отчет
obDMPText=Текст матричного принтера
obDMPLine=Линия матричного принтера
obDMPCmd=Команда матричного принтера
prInvProp=Неверное значение свойства
prDupl=Повторяющееся имя
5000=Пароль
5001=Введите пароль:
======== Script engine ========
SLangNotFound=Язык '%s' не найден
SInvalidLanguage=Неверное описание языка
SIdRedeclared=Повторное объявление идентификатора:
SUnknownType=Неизвестный тип:
SIncompatibleTypes=Несовместимые типы
SIdUndeclared=Неопределенный идентификатор:
SClassRequired=Требуется класс
SIndexRequired=Требуется индекс
SStringError=Строки не имеют свойств и методов
SClassError=Класс %s не имеет конструктора по умолчанию
SArrayRequired=Требуется массив
SVarRequired=Требуется переменная
SNotEnoughParams=Недостаточно параметров
STooManyParams=Слишком много параметров
SLeftCantAssigned=Левой части нельзя присвоить значение
SForError=Переменная цикла FOR должна быть числовой
SEventError=Обработчик события должен быть процедурой
)";

struct ScriptText {
    const char *Key;
    AnsiString *Target;
};

const ScriptText ScriptTexts[] = {
    {"SLangNotFound", &SLangNotFound},
    {"SInvalidLanguage", &SInvalidLanguage},
    {"SIdRedeclared", &SIdRedeclared},
    {"SUnknownType", &SUnknownType},
    {"SIncompatibleTypes", &SIncompatibleTypes},
    {"SIdUndeclared", &SIdUndeclared},
    {"SClassRequired", &SClassRequired},
    {"SIndexRequired", &SIndexRequired},
    {"SStringError", &SStringError},
    {"SClassError", &SClassError},
    {"SArrayRequired", &SArrayRequired},
    {"SVarRequired", &SVarRequired},
    {"SNotEnoughParams", &SNotEnoughParams},
    {"STooManyParams", &STooManyParams},
    {"SLeftCantAssigned", &SLeftCantAssigned},
    {"SForError", &SForError},
    {"SEventError", &SEventError},
};

// The help file's page for a form of the library.
struct HelpPage {
    const char *FormClass;
    const char *Page;
};

const HelpPage HelpPages[] = {
    {"TfrxDialogPage", "Dialogue forms/Dialogue forms.htm"},
    {"TfrxDialogComponent", "Data access components/Data access components.htm"},
};

} // namespace

TfrxHtmlHelpEngine &frxHtmlHelpEngine()
{
    static TfrxHtmlHelpEngine Engine;
    return Engine;
}

void frxDisplayHHTopic(HWND Window, const AnsiString &Topic)
{
    if (frxHtmlHelpEngine()) frxHtmlHelpEngine()(Window, Topic);
}

AnsiString frxBuiltinResources()
{
    static const AnsiString Text = AnsiString::FromUtf8(BuiltinText);
    return Text;
}

TfrxResources::TfrxResources()
    : FKeys(std::make_unique<TStringList>()), FValues(std::make_unique<TStringList>()),
      FLanguages(std::make_unique<TStringList>())
{
    FKeys->SetSorted(true);
    FKeys->SetDuplicates(dupIgnore);
    FLanguages->SetSorted(true);
    BuildLanguagesList();
}

TfrxResources::~TfrxResources() = default;

// A list made on first use and filled from the picture strip of that resource name.
TCustomImageList *TfrxResources::ImagesFromResource(TCustomImageList *&List, const char *Resource,
                                                    int Size)
{
    if (List) return List;
    static const bool Registered = (RegisterReportPictures(), true);
    (void)Registered;
    List = new TImageList(Application);
    List->SetWidth(Size);
    List->SetHeight(Size);
    TResourceStream Stream(HInstance, Resource, rtl::ResourceRawData);
    TBitmap Strip;
    Strip.LoadFromStream(&Stream);
    frxAssignImages(&Strip, Size, Size, List);
    return List;
}

TCustomImageList *TfrxResources::GetMainButtonImages()
{
    return ImagesFromResource(FMainButtonImages, "frxBUTTONS", 16);
}

TCustomImageList *TfrxResources::GetDisabledButtonImages()
{
    return ImagesFromResource(FDisabledButtonImages, "frxBUTTONS", 16);
}

TCustomImageList *TfrxResources::GetObjectImages()
{
    return ImagesFromResource(FObjectImages, "frxOBJECTS", 22);
}

TCustomImageList *TfrxResources::GetPreviewButtonImages()
{
    return ImagesFromResource(FPreviewButtonImages, "PREVIEWBUTTONS", 16);
}

void TfrxResources::SetButtonImages(TBitmap *Images, bool Clear)
{
    TCustomImageList *Main = GetMainButtonImages();
    TCustomImageList *Disabled = GetDisabledButtonImages();
    if (Clear) {
        Main->Clear();
        Disabled->Clear();
    }
    frxAssignImages(Images, 16, 16, Main, Disabled);
}

void TfrxResources::SetObjectImages(TBitmap *Images, bool Clear)
{
    TCustomImageList *Objects = GetObjectImages();
    if (Clear) Objects->Clear();
    frxAssignImages(Images, 22, 22, Objects);
}

void TfrxResources::SetPreviewButtonImages(TBitmap *Images, bool Clear)
{
    TCustomImageList *Preview = GetPreviewButtonImages();
    if (Clear) Preview->Clear();
    frxAssignImages(Images, 16, 16, Preview);
}

void TfrxResources::Help(TObject *Sender)
{
    AnsiString Topic = FHelpFile;
    if (Sender)
        for (const HelpPage &Page : HelpPages)
            if (Sender->ClassName() == Page.FormClass) {
                Topic += AnsiString("::/") + Page.Page;
                break;
            }
    frxDisplayHHTopic(Application ? Application->Handle() : HWND{}, Topic);
}

AnsiString TfrxResources::Get(const AnsiString &Key) const
{
    int Index;
    if (!FKeys->Find(Key, Index)) return Key;
    const auto Slot = reinterpret_cast<std::intptr_t>(FKeys->Objects(Index));
    return FValues->Strings(static_cast<int>(Slot));
}

void TfrxResources::Add(const AnsiString &Key, const AnsiString &Text)
{
    int Index;
    if (FKeys->Find(Key, Index)) {
        const auto Slot = reinterpret_cast<std::intptr_t>(FKeys->Objects(Index));
        FValues->SetStrings(static_cast<int>(Slot), Text);
        return;
    }
    const int Slot = FValues->Add(Text);
    // The object slot carries a number, not an object: the table's own convention.
    FKeys->AddObject(Key, reinterpret_cast<TObject *>(static_cast<std::intptr_t>(Slot)));
}

void TfrxResources::AddStrings(const AnsiString &Text)
{
    TStringList Lines;
    Lines.SetText(Text);
    for (int i = 0; i < Lines.Count(); ++i) {
        const AnsiString Line = Lines[i];
        const int Equals = Line.Pos("=");
        if (Equals <= 1) continue;
        const AnsiString Value = Line.SubString(Equals + 1, Line.Length());
        if (Value.IsEmpty()) continue;
        Add(Line.SubString(1, Equals - 1), Value);
    }
}

void TfrxResources::Clear()
{
    FKeys->Clear();
    FValues->Clear();
}

void TfrxResources::LoadFromFile(const AnsiString &FileName)
{
    if (!FileExists(FileName)) return;
    rtl::BoundedFileStream Stream(FileName, rtl::TextFileLimit);
    LoadFromStream(&Stream);
}

void TfrxResources::LoadFromStream(TStream *Stream)
{
    TStringList Lines;
    Lines.LoadFromStream(Stream);
    Clear();
    AddStrings(Lines.Text());
    UpdateFSResources();
}

void TfrxResources::UpdateFSResources() const
{
    for (const ScriptText &Item : ScriptTexts)
        *Item.Target = Get(Item.Key);
}

void TfrxResources::BuildLanguagesList()
{
    FLanguages->Clear();
    const AnsiString Folder = GetAppPath();
    TSearchRec Found;
    for (int Result = FindFirst(Folder + "*.frc", faAnyFile, Found); Result == 0;
         Result = FindNext(Found)) {
        AnsiString Name = AnsiLowerCase(ChangeFileExt(Found.Name, ""));
        if (!Name.IsEmpty()) Name[1] = AnsiUpperCase(AnsiString(Name[1]))[1];
        FLanguages->Add(Name);
    }
    FindClose(Found);
}

TfrxResources *frxResources()
{
    static const std::unique_ptr<TfrxResources> Instance = [] {
        auto Table = std::make_unique<TfrxResources>();
        Table->AddStrings(frxBuiltinResources());
        Table->UpdateFSResources();
        return Table;
    }();
    return Instance.get();
}

AnsiString frxGet(int ID)
{
    return frxResources()->Get(IntToStr(ID));
}
