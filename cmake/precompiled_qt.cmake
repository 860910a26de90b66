# corvantelis_precompile_qt(TARGET CORE|WIDGETS)
# Precompiles the Qt headers nearly every file of TARGET includes. Qt's headers are most of what
# the compiler reads for each of our files, so a library of several files builds in a good part
# less time; the sanitizer build and the Release build of the package each make their own.
option(CORVANTELIS_PRECOMPILE "Precompile the Qt headers of the libraries" ON)

function(corvantelis_precompile_qt target kind)
    if(NOT CORVANTELIS_PRECOMPILE)
        return()
    endif()
    set(headers <QByteArray> <QDateTime> <QList> <QObject> <QString> <QStringList> <QTimer>
        <QVariant> <QtGlobal> <functional> <optional> <vector>)
    if(kind STREQUAL "WIDGETS")
        list(APPEND headers <QLabel> <QLayout> <QWidget>)
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
