#include "display/log_display.h"

#include <QMetaObject>
#include <QSaveFile>
#include <QScrollBar>

#include "display/display_content.h"
#include "display/log_display_accessible.h"
#include "display/log_display_impl.h"
#include "display/rtf_writer.h"
#include "display/text_writer.h"
#include "viewer_font.h"

namespace chatscope {

namespace {

bool SaveWith(const QString& path, const DisplayContent& content, bool (*writer)(const DisplayContent&, QIODevice&)) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!writer(content, file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

void LogDisplay::Impl::ReleaseStore() {
    store.Release();
    measuredWidth = 0;
    offsets.Clear();
    history.Clear();
    edited = false;
    preedit.clear();
}

LogDisplay::LogDisplay(QWidget* parent) : QAbstractScrollArea(parent), d(new Impl(this)) {
    InstallLogDisplayAccessibleFactory();
    d->font = ViewerFont();
    setFont(d->font);
    d->UpdateMetrics();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    d->store.Reserve(1024);
    d->UpdateScrollBars();
}

LogDisplay::~LogDisplay() { delete d; }

void LogDisplay::Clear() {
    const bool hadSelection = HasSelection();
    d->ReleaseStore();
    d->anchor = d->caret = {};
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    d->UpdateScrollBars();
    viewport()->update();
    if (hadSelection) emit selectionChanged();
}

void LogDisplay::AppendLine(std::string_view sjisBytes, std::uint32_t displayColour) {
    d->Append(sjisBytes, displayColour);
    if (!d->endOfBatchPosted) {
        // A caller that never ends its batch still gets its lines shown.
        d->endOfBatchPosted = true;
        QMetaObject::invokeMethod(
            this, [this] { EndOfBatch(); }, Qt::QueuedConnection);
    }
}

void LogDisplay::EndOfBatch() {
    d->endOfBatchPosted = false;
    d->UpdateScrollBars();
    viewport()->update();
}

void LogDisplay::SetBackgroundColour(std::uint32_t displayColour) {
    d->background = displayColour & 0xFFFFFF;
    viewport()->update();
}

int LogDisplay::LineCount() const { return d->Count(); }

QString LogDisplay::LineText(int line) const { return d->Text(line); }

std::uint32_t LogDisplay::LineColour(int line) const { return d->Colour(line); }

bool LogDisplay::IsEditing() const { return d->edited; }

void LogDisplay::InsertText(const QString& text) { d->ReplaceSelection(text); }

bool LogDisplay::SaveRtf(const QString& path) const { return SaveWith(path, LineStoreContent(d->store), &WriteRtf); }

bool LogDisplay::SavePlainText(const QString& path) const {
    return SaveWith(path, LineStoreContent(d->store), &WritePlainText);
}

}  // namespace chatscope
