#include "panels/image_browse.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>

namespace cartonic {

class ImageBrowseTest : public QObject {
    Q_OBJECT

private slots:
    // The labels carry parentheses and commas of their own; the toolkit's dialog must still list
    // each type under its label alone and match files by the real patterns.
    void dialogShowsLabelsAndMatchesPatterns() {
        const QList<ImageFileFilter> filters = {
            {"Image files (*.bmp, *.gif, *.jpg, *.tif, *.png)", "*.bmp *.gif *.jpg *.tif *.png"},
            {"bmp(*.bmp)", "*.bmp"},
        };
        QFileDialog dialog;
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(toolkitNameFilters(filters));

        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        QCOMPARE(types->count(), 2);
        QCOMPARE(types->itemText(0), filters[0].label);
        QCOMPARE(types->itemText(1), filters[1].label);

        auto* model = dialog.findChild<QFileSystemModel*>();
        QVERIFY(model);
        QCOMPARE(model->nameFilters(), (QStringList{"*.bmp", "*.gif", "*.jpg", "*.tif", "*.png"}));
        dialog.selectNameFilter(toolkitNameFilters(filters)[1]);
        QCOMPARE(model->nameFilters(), QStringList{"*.bmp"});
    }

    void pathFieldsRoundTrip() {
        Path field{};
        const QString path = QStringLiteral("/pictures/caf\u00e9/box.png");
        setPath(field, localPath(path));
        QCOMPARE(pathFieldText(field), path);
        QVERIFY(pathFieldText(Path{}).isEmpty());
    }
};

} // namespace cartonic

QTEST_MAIN(cartonic::ImageBrowseTest)
#include "image_browse_test.moc"
