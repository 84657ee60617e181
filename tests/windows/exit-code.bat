@rem Runs the program named by FLASHMERE_WINE_PROGRAM with the arguments given, then
@rem prints the exit code Windows hands its parent (wine-run.sh).
@"%FLASHMERE_WINE_PROGRAM%" %*
@echo flashmere-exit-code: %errorlevel%
