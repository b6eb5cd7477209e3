#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/backgroundrun.h"
#include "app/messages.h"
#include "app/tform1.h"
#include "calc/catalogue.h"

// Records every message instead of showing it; question() answers as scripted.
class RecordingMessages final : public tarvol::MessageService {
public:
    enum class Kind { Information, Error, Question };
    struct Message {
        Kind kind;
        QString text;
    };

    void information(const QString& text) override { shown.push_back({Kind::Information, text}); }
    void error(const QString& text) override { shown.push_back({Kind::Error, text}); }
    bool question(const QString& text, const QString&) override
    {
        shown.push_back({Kind::Question, text});
        return answer;
    }
    tarvol::UnsavedAnswer unsavedChanges(const QString& text) override
    {
        shown.push_back({Kind::Question, text});
        return unsavedAnswer;
    }
    bool informationWithAction(const QString& text, const QString&) override
    {
        information(text);
        return followAction;
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Message& m : shown)
            all << m.text;
        return all;
    }

    std::vector<Message> shown;
    bool answer = true;
    tarvol::UnsavedAnswer unsavedAnswer = tarvol::UnsavedAnswer::Cancel;
    bool followAction = false; // the second button of an information box chosen
};

// Closes any modal box or popup that opens anyway, and keeps what it saw so the test fails instead of hanging.
class ModalGuard final {
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    ModalGuard()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sweep(); });
        m_timer.start();
    }

    std::vector<Seen> seen;
    QStringList expected; // names of the modal windows a test drives itself

private:
    void sweep()
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            seen.push_back({QString::fromLatin1(popup->metaObject()->className()), {}, QMessageBox::NoIcon});
            popup->close();
        }
        // the progress dialog of a long run and the sensor dialog are expected: tests drive them themselves
        if (QWidget* modal = QApplication::activeModalWidget();
            modal && modal->objectName() != QLatin1String(tarvol::kProgressDialogName)
            && modal->objectName() != QLatin1String("SensorDialog") && !expected.contains(modal->objectName())) {
            Seen s{modal->windowTitle(), {}, QMessageBox::NoIcon};
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                s.text = box->text();
                s.icon = box->icon();
            }
            seen.push_back(s);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->done(0);
            else
                modal->close();
        }
    }

    QTimer m_timer;
};

class FormTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_programFiles.isValid());
        qputenv("ProgramFiles", m_programFiles.path().toUtf8());
        QLocale::setDefault(QLocale::c());
        m_previous = tarvol::setMessageService(&messages);
        form = std::make_unique<tarvol::TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
    }

    void TearDown() override
    {
        form.reset();
        tarvol::setMessageService(m_previous);
        QLocale::setDefault(QLocale::c());
        for (const ModalGuard::Seen& s : guard.seen)
            ADD_FAILURE() << "a real box or popup opened: " << s.title.toStdString() << " / " << s.text.toStdString();
    }

    // names and texts come as literals: the view takes them without a conversion from ASCII
    template <class T>
    T* control(QAnyStringView name) const
    {
        T* widget = form->findChild<T*>(name.toString());
        EXPECT_NE(widget, nullptr) << name.toString().toStdString();
        return widget;
    }

    QLineEdit* field(int row) const { return control<QLineEdit>(QStringLiteral("Edit%1").arg(row)); }
    QLabel* caption(int row) const { return control<QLabel>(QStringLiteral("L%1").arg(row)); }
    QComboBox* selector() const { return control<QComboBox>("ComboBox1"); }
    QTableWidget* grid() const { return control<QTableWidget>("StringGrid1"); }
    QString pg() const { return control<QLabel>("PG")->text(); }

    // Menu items as the menu bar offers them.
    bool offered(QAnyStringView name) const
    {
        if (auto* menu = form->findChild<QMenu*>(name.toString()))
            return menu->menuAction()->isEnabled();
        return control<QAction>(name)->isEnabled();
    }
    void trigger(QAnyStringView name) const { control<QAction>(name)->trigger(); }

    void chooseOrientation(int index) const
    {
        QTest::mouseClick(control<QRadioButton>(QStringLiteral("RG1Item%1").arg(index)), Qt::LeftButton);
    }

    // What the selector does when the user picks an entry from its list.
    void chooseItem(int index) const
    {
        selector()->setCurrentIndex(index);
        emit selector()->activated(index);
    }

    void enter(int row, QAnyStringView text) const { field(row)->setText(text.toString()); }

    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }

    std::vector<int> visibleRows() const
    {
        std::vector<int> rows;
        for (int k = 1; k <= 9; ++k)
            if (field(k)->isVisible())
                rows.push_back(k);
        return rows;
    }

    QStringList visibleThumbnails() const
    {
        QStringList names;
        for (int n = 1; n <= tarvol::kShapeCount; ++n)
            if (auto* image = form->findChild<QLabel*>(QStringLiteral("Image%1").arg(n)); image && image->isVisible())
                names << image->objectName();
        return names;
    }

    ModalGuard guard;
    RecordingMessages messages;
    std::unique_ptr<tarvol::TForm1> form;

private:
    QTemporaryDir m_programFiles;
    tarvol::MessageService* m_previous = nullptr;
};
