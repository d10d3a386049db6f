# Most of what compiling a source of velm costs is parsing Qt's headers, the same ones again
# and again. Each group of targets that compiles alike (the same Qt modules, hence the same
# QT_*_LIB definitions) parses them once, into a precompiled header the others reuse.
#
# velm_precompile_headers(<target> <CORE|WIDGETS>)  makes the group's header
# velm_reuse_precompiled_headers(<target> <from>)  reuses another's
#
# Off with -DVELM_PRECOMPILE_HEADERS=OFF (for tools that read compile_commands.json and
# cannot read GCC's precompiled headers).

option(VELM_PRECOMPILE_HEADERS "Precompile the Qt headers every layer includes" ON)

set(velm_pch_CORE
    <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QJsonArray> <QJsonDocument>
    <QJsonObject> <QList> <QNetworkAccessManager> <QNetworkReply> <QObject> <QPointer>
    <QString> <QStringList> <QTimer> <QUuid> <QVariant> <QCoroTask>
    <functional> <memory> <optional> <utility>)
set(velm_pch_WIDGETS ${velm_pch_CORE}
    <QAction> <QApplication> <QColor> <QEvent> <QFont> <QFontMetrics> <QHBoxLayout>
    <QKeyEvent> <QLabel> <QMouseEvent> <QPainter> <QPainterPath> <QPalette> <QPushButton>
    <QVBoxLayout> <QVariantAnimation> <QWidget>)

function(velm_precompile_headers target group)
    if(VELM_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} PRIVATE ${velm_pch_${group}})
    endif()
endfunction()

function(velm_reuse_precompiled_headers target from)
    if(VELM_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} REUSE_FROM ${from})
    endif()
endfunction()
