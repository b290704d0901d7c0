// Form1: the main window. Hosts the log reader, the display, the two status
// panels and the menus that open, save, filter and show the side windows.
#include "Lvmain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShowEvent>
#include <QStatusBar>
#include <QUrl>

#include <filesystem>
#include <system_error>

#include "Lvconfig.h"
#include "Lvdata.h"
#include "chatscope/html_export.h"
#include "chatscope/paths.h"
#include "display/display_sink.h"
#include "display/log_display.h"
#include "sjis_text.h"
#include "viewer_font.h"

namespace chatscope {

namespace {

const QString kCaption = QStringLiteral("Tarq Log Viewer");
const QString kOpenFilter = QStringLiteral("TARQログファイル(*.log)");
// The display text of the filter, then the patterns Qt matches with.
const QString kSaveFilter = QStringLiteral("保存ファイル(*.htm,*.doc,*.txt) (*.htm *.html *.doc *.txt)");

// True when both names lead to one existing file (hard links and symbolic links included).
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

// A status bar panel of a set width that, like a native status bar's panel, is
// cut off by a narrower window instead of widening it.
class StatusPanel : public QLabel {
public:
    StatusPanel(int width, QWidget* parent) : QLabel(parent), width_(width) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setTextFormat(Qt::PlainText);
        setMaximumWidth(width);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override { return {width_, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

private:
    int width_;
};

// A busy cursor for the length of a reading pass or a save.
class BusyCursor {
public:
    // Qt hands the cursor to the window system at once; no events are processed
    // here, so nothing else can run in the middle of a pass.
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

const char* const kChannelCaptions[7] = {"Say", "Tell", "Party", "Linkshell", "Shout", "Emote", "etc"};

}  // namespace

struct TForm1::Menus {
    QMenu* File1 = nullptr;
    QMenu* N1 = nullptr;
    QMenu* N3 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* channel[7][2] = {};  // [bit][0: main menu, 1: popup]
    QAction* Data[2] = {};
    QAction* Option[2] = {};
    QAction* Open2 = nullptr;
    QAction* Save2 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Exit2 = nullptr;
};

TForm1::TForm1(ViewerState& state, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      reader_(state.stats, state.settings, state.users),
      menus_(std::make_unique<Menus>()) {
    setWindowTitle(kCaption);
    resize(587, 463);
    setFont(ViewerFont());

    RichEdit1 = new LogDisplay(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    setCentralWidget(RichEdit1);
    displaySink_ = std::make_unique<DisplaySink>(*RichEdit1);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("Status1"));
    panel0_ = new StatusPanel(120, status);
    panel1_ = new StatusPanel(500, status);
    panel0_->setMinimumWidth(120);  // the first panel keeps its width; the second gives way
    status->addWidget(panel0_);
    status->addWidget(panel1_);
    setStatusBar(status);

    BuildMenus();

    ResetStatistics(state_.stats);
    reader_.SetPassCallbacks(PassCallbacks{
        [this](const std::string& counts) { panel1_->setText(QString::fromLatin1(counts.c_str())); },
        [this](const std::string& exp) { panel0_->setText(SjisToQString(exp)); },
        [this] {
            if (form3_) form3_->RefreshStatistics();
        },
    });

    setAcceptDrops(true);

    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { menus_->PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(pos)); });
    connect(RichEdit1, &LogDisplay::selectionChanged, this, [this] { RichEdit1SelectionChange(); });
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
    Menus& m = *menus_;
    auto channelHandler = [this](int bit) { return [this, bit] { ChannelClick(bit); }; };

    m.File1 = menuBar()->addMenu(QStringLiteral("ファイル"));
    m.Open1 = m.File1->addAction(QStringLiteral("開く"), this, [this] { Open1Click(); });
    m.Save1 = m.File1->addAction(QStringLiteral("保存"), this, [this] { Save1Click(); });
    m.File1->addSeparator();
    m.Exit1 = m.File1->addAction(QStringLiteral("終了"), this, [this] { Exit1Click(); });

    m.N1 = menuBar()->addMenu(QStringLiteral("フィルター"));
    for (int bit = 0; bit < 7; ++bit) {
        m.channel[bit][0] = m.N1->addAction(QString::fromLatin1(kChannelCaptions[bit]), this, channelHandler(bit));
    }

    m.N3 = menuBar()->addMenu(QStringLiteral("その他"));
    m.Data[0] = m.N3->addAction(QStringLiteral("データ"), this, [this] { Data1Click(); });
    m.Option[0] = m.N3->addAction(QStringLiteral("オプション"), this, [this] { Option1Click(); });

    m.PopupMenu1 = new QMenu(this);
    m.PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    for (int bit = 0; bit < 7; ++bit) {
        m.channel[bit][1] =
            m.PopupMenu1->addAction(QString::fromLatin1(kChannelCaptions[bit]), this, channelHandler(bit));
    }
    m.PopupMenu1->addSeparator();
    m.Open2 = m.PopupMenu1->addAction(QStringLiteral("開く"), this, [this] { Open1Click(); });
    m.Save2 = m.PopupMenu1->addAction(QStringLiteral("保存"), this, [this] { Save1Click(); });
    m.PopupMenu1->addSeparator();
    m.Copy1 = m.PopupMenu1->addAction(QStringLiteral("コピー"), this, [this] { Copy1Click(); });
    m.Copy1->setEnabled(false);
    m.PopupMenu1->addSeparator();
    m.Data[1] = m.PopupMenu1->addAction(QStringLiteral("データ"), this, [this] { Data1Click(); });
    m.Option[1] = m.PopupMenu1->addAction(QStringLiteral("オプション"), this, [this] { Option1Click(); });
    m.PopupMenu1->addSeparator();
    m.Exit2 = m.PopupMenu1->addAction(QStringLiteral("終了"), this, [this] { Exit1Click(); });

    for (int bit = 0; bit < 7; ++bit) {
        for (QAction* a : m.channel[bit]) a->setCheckable(true);
    }
    for (QAction* a : {m.Data[0], m.Data[1], m.Option[0], m.Option[1]}) a->setCheckable(true);
}

void TForm1::SetSideWindows(TForm2* form2, TForm3* form3) {
    form2_ = form2;
    form3_ = form3;
}

std::string TForm1::ToLocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString TForm1::FromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

bool TForm1::LoadLogFile(const std::string& path) {
    if (!reader_.CheckLogHeader(path)) return false;
    // The caller may pass CurrentLogPath() itself: copy before assigning.
    const std::string loaded = path;
    currentLogPath_ = loaded;
    setWindowTitle(kCaption + QStringLiteral(" [") + FromLocalPath(loaded) + QStringLiteral("]"));
    BusyCursor busy;
    RichEdit1->Clear();
    ResetStatistics(state_.stats);
    reader_.ReadLog(loaded, displaySink_.get());
    RichEdit1->EndOfBatch();
    return true;
}

void TForm1::UpdateDisplayBackground() { RichEdit1->SetBackgroundColour(state_.settings.BackgroundDisplayColour()); }

QString TForm1::Panel0Text() const { return panel0_->text(); }
QString TForm1::Panel1Text() const { return panel1_->text(); }

void TForm1::Open1Click() {
    const QString chosen = QFileDialog::getOpenFileName(this, QString(), QString(), kOpenFilter);
    if (chosen.isEmpty()) return;
    LoadLogFile(ToLocalPath(chosen));
}

QString TForm1::SaveDialogPreset() const {
    if (!currentLogPath_.empty()) return FromLocalPath(ReplaceExtension(currentLogPath_, ".htm"));
    return saveDialogName_;
}

void TForm1::Save1Click() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(kSaveFilter);
    const QString preset = SaveDialogPreset();
    if (!preset.isEmpty()) dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    saveDialogName_ = chosen.first();
    SaveToPath(saveDialogName_);
}

void TForm1::SaveToPath(const QString& chosenPath) {
    const std::string out = ToLocalPath(chosenPath);
    const std::string ext = LowerExtension(out);
    if (ext == ".htm" || ext == ".html") {
        if (currentLogPath_.empty()) return;
        BusyCursor busy;
        ExportHtml(out, currentLogPath_, reader_, state_.settings);
        return;
    }
    if (ext != ".doc" && ext != ".txt") return;
    // Never write the display over the log it came from.
    if (SameFile(out, currentLogPath_)) return;
    BusyCursor busy;
    if (ext == ".doc")
        RichEdit1->SaveRtf(chosenPath);
    else
        RichEdit1->SavePlainText(chosenPath);
}

void TForm1::Exit1Click() { close(); }

void TForm1::Copy1Click() {
    if (RichEdit1->HasSelection()) RichEdit1->Copy();
}

void TForm1::RichEdit1SelectionChange() { menus_->Copy1->setEnabled(RichEdit1->HasSelection()); }

void TForm1::ChannelClick(int bit) {
    if (bit < 0 || bit > 6) return;
    const std::uint32_t mask = std::uint32_t(1) << bit;
    const std::uint32_t word = state_.settings.filterWord() ^ mask;
    state_.settings.SetFilterWord(word);
    const bool hidden = (word & mask) != 0;
    for (QAction* a : menus_->channel[bit]) a->setChecked(hidden);
    if (!currentLogPath_.empty()) LoadLogFile(currentLogPath_);
}

void TForm1::SetChannelChecks() {
    const std::uint32_t word = state_.settings.filterWord();
    for (int bit = 0; bit < 7; ++bit) {
        for (QAction* a : menus_->channel[bit]) a->setChecked((word >> bit & 1U) != 0);
    }
}

void TForm1::Data1Click() {
    if (!form3_) return;
    form3_->setVisible(!form3_->isVisible());
    for (QAction* a : menus_->Data) a->setChecked(form3_->isVisible());
}

void TForm1::Option1Click() {
    if (!form2_) return;
    form2_->setVisible(!form2_->isVisible());
    for (QAction* a : menus_->Option) a->setChecked(form2_->isVisible());
}

QAction* TForm1::ChannelAction(int bit, bool popup) const {
    if (bit < 0 || bit > 6) return nullptr;
    return menus_->channel[bit][popup ? 1 : 0];
}
QAction* TForm1::DataAction(bool popup) const { return menus_->Data[popup ? 1 : 0]; }
QAction* TForm1::OptionAction(bool popup) const { return menus_->Option[popup ? 1 : 0]; }
QAction* TForm1::CopyAction() const { return menus_->Copy1; }
QMenu* TForm1::PopupMenu() const { return menus_->PopupMenu1; }

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) return;  // restored from the task bar: not a new showing
    UpdateDisplayBackground();
    SetChannelChecks();
}

void TForm1::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (!event->isAccepted()) return;
    // The viewer ends with its main window; the side windows must not keep it running.
    if (form2_) form2_->hide();
    if (form3_) form3_->hide();
    emit Closed();
}

namespace {

QString FirstLocalFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) return url.toLocalFile();
    }
    return {};
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString first = FirstLocalFile(event->mimeData());
    if (first.isEmpty()) return;
    event->acceptProposedAction();
    LoadLogFile(ToLocalPath(first));
}

}  // namespace chatscope
