# Turns the text file IN into a C++ raw string literal in OUT.
file(READ ${IN} content)
file(WRITE ${OUT} "R\"ravochat_sql(${content})ravochat_sql\"")
