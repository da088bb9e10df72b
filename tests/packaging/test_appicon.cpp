#include "platform/appicon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// The pictures built into the program are what a copy run from its build
// folder shows on its windows and in the tray; an installed copy takes the
// same pictures from the icon theme.
class TestAppIcon : public QObject
{
    Q_OBJECT

    static QString resource(int size) { return QStringLiteral(":/icons/breloplayer-%1.png").arg(size); }

private slots:
    void builtInPicturesHaveTheirSizeAndAlpha_data()
    {
        QTest::addColumn<int>("size");
        for (int size : AppIcon::sizes())
            QTest::addRow("%d px", size) << size;
    }

    void builtInPicturesHaveTheirSizeAndAlpha()
    {
        QFETCH(int, size);
        QImage image(resource(size));
        QVERIFY2(!image.isNull(), qPrintable(resource(size)));
        QCOMPARE(image.size(), QSize(size, size));
        // 32-bit colour: eight bits for each of red, green, blue and alpha.
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(image.bitPlaneCount(), 32);

        // The emblem stands free: transparent corners, an opaque centre.
        image = image.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(image.pixel(0, size - 1)), 0);
        QCOMPARE(qAlpha(image.pixel(size - 1, size - 1)), 0);
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }

    void sizesAreRenderedFromOneDrawing()
    {
        // Each size should look like the largest one scaled down to it; a
        // picture left over from another drawing would not.
        const QImage big(resource(256));
        for (int size : {16, 32, 48}) {
            const QImage small = QImage(resource(size)).convertToFormat(QImage::Format_ARGB32);
            const QImage scaled = big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_ARGB32);
            qint64 diff = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const QRgb a = scaled.pixel(x, y), b = small.pixel(x, y);
                    diff += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b))
                        + qAbs(qAlpha(a) - qAlpha(b));
                }
            const double meanPerChannel = double(diff) / (size * size * 4);
            qInfo("%d px: mean difference %.1f per channel", size, meanPerChannel);
            QVERIFY2(meanPerChannel < 6, qPrintable(QString::number(size)));
        }
    }

    void withoutThemeTheBuiltInPicturesServe()
    {
        QIcon::setThemeSearchPaths({});
        QIcon::setFallbackSearchPaths({});
        const QIcon icon = AppIcon::icon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (int size : AppIcon::sizes())
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        // The 16 px picture is used as drawn for the tray, not scaled down.
        QCOMPARE(icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 QImage(resource(16)).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    // The windows' icon offers the small sizes only, each drawn from the
    // picture of that size rather than scaled from the largest.
    void windowsCarryTheSmallSizes()
    {
        QIcon::setThemeSearchPaths({});
        QIcon::setFallbackSearchPaths({});
        const QIcon icon = AppIcon::windowIcon();
        QList<QSize> expected;
        for (int size : AppIcon::windowSizes())
            expected << QSize(size, size);
        QCOMPARE(icon.availableSizes(), expected);
        for (int size : AppIcon::windowSizes())
            QCOMPARE(icon.pixmap(QSize(size, size), 1.0)
                         .toImage()
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     QImage(resource(size)).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    void anInstalledThemeIconWins()
    {
        // A theme with only a 48 px picture, painted in one flat colour, so
        // that what is drawn tells where it came from.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString apps = dir.filePath(QStringLiteral("hicolor/48x48/apps"));
        QVERIFY(QDir().mkpath(apps));
        QFile index(dir.filePath(QStringLiteral("hicolor/index.theme")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
                    "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n");
        index.close();
        QImage flat(48, 48, QImage::Format_ARGB32);
        flat.fill(qRgba(0, 200, 0, 255));
        QVERIFY(flat.save(apps + QStringLiteral("/breloplayer.png")));

        QIcon::setThemeSearchPaths({dir.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));
        const QIcon icon = AppIcon::icon();
        QCOMPARE(icon.name(), AppIcon::themeName());
        QCOMPARE(icon.pixmap(48, 48).toImage().pixel(24, 24), qRgba(0, 200, 0, 255));
        // The windows' copy is drawn from the theme too.
        QCOMPARE(AppIcon::windowIcon().pixmap(QSize(48, 48), 1.0).toImage().pixel(24, 24),
                 qRgba(0, 200, 0, 255));
        QIcon::setThemeName(QString());
    }
};

QTEST_MAIN(TestAppIcon)
#include "test_appicon.moc"
