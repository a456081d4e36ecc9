#include "app/SmokeProbe.h"

#include <QFile>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScreen>
#include <QSlider>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

#include "taskdb/TaskNode.h"
#include "ui/mainwindow/TovrinMain.h"
#include "ui/outline/TreeEditing.h"
#include "ui/controls/SliderKnob.h"
#include "ui/controls/TreeViewCheckBoxes.h"
#include "ui/outline/OutlineViews.h"
#include "ui/taskpanel/TaskPanel.h"

namespace {

QString Line(const char* name, const QWidget* widget, QPoint local, const QString& rest = {})
{
    const QPoint at = widget->mapToGlobal(local);
    return QStringLiteral("%1 %2 %3 %4\n").arg(QLatin1String(name)).arg(at.x()).arg(at.y()).arg(rest);
}

QString Caption(const TTaskNode* task) { return QString::fromStdString(task->Caption); }

QString Describe(TfrmTovrinMain& window)
{
    QString text;
    TTreeViewCheckBoxes* tree = window.Part<TOutlineViews>().tvTasksTree();
    // The first project among the top-level rows: its expander and caption.
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tree->topLevelItem(i);
        const TTaskNode* task = TTreeEditing::NodeTask(node);
        if (!task || !task->IsProject || node->childCount() == 0)
            continue;
        const QRect row = tree->visualItemRect(node);
        text += Line("expander", tree->viewport(), {row.left() - tree->indentation() / 2, row.center().y()},
                     QString::number(node->isExpanded()));
        // Beside the caption: a click there selects the row without starting to edit it.
        const QRect label = tree->LabelRect(node);
        text += Line("project", tree->viewport(), {label.right() + 30, label.center().y()},
                     QString::number(task->Importance) + QLatin1Char(' ') + Caption(task));
        break;
    }
    const auto* priority = window.findChild<QSlider*>(QStringLiteral("tbPriority"));
    const auto* high = window.findChild<QToolButton*>(QStringLiteral("sbUpPriority"));
    const QPlainTextEdit* notes = window.Part<TTaskPanel>().TaskNotesEditor();
    text += Line("knob", priority, SliderKnobRect(priority).center());
    text += Line("high", high, high->rect().center());
    text += Line("notes", notes, notes->rect().center());
    if (const TTaskNode* task = window.State().CurrentTask) {
        text += QStringLiteral("current %1 %2\n").arg(task->Importance).arg(Caption(task));
        if (task->Note.Count() > 0)
            text += QStringLiteral("note %1\n").arg(QString::fromStdString(task->Note[0]));
    }
    text += QStringLiteral("modified %1\n").arg(window.State().Modified);
    return text;
}

void Probe(TfrmTovrinMain& window, const QString& file)
{
    QSaveFile out(file);  // the script never reads half a file
    if (out.open(QIODevice::WriteOnly)) {
        out.write(Describe(window).toUtf8());
        out.commit();
    }
    QFile request(file + QStringLiteral(".shot"));
    if (!request.open(QIODevice::ReadOnly))
        return;
    const QString target = QString::fromUtf8(request.readAll()).trimmed();
    request.close();
    if (QScreen* screen = window.screen())
        screen->grabWindow(0).save(target, "PNG");
    request.remove();
}

} // namespace

void StartSmokeProbe(TfrmTovrinMain& Window, const QString& ProbeFile)
{
    auto* timer = new QTimer(&Window);
    QObject::connect(timer, &QTimer::timeout, &Window, [&Window, ProbeFile] { Probe(Window, ProbeFile); });
    timer->start(200);
}
