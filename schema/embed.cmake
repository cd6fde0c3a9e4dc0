file(READ ${IN} sql)
file(WRITE ${OUT} "#include \"schema/tambraschema.h\"\n\nQString TambraSchema() {\n    return QString::fromUtf8(R\"borvane_sql(${sql})borvane_sql\");\n}\n")
