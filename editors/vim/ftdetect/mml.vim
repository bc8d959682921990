" .mml files are MML for the Trivane converter.
autocmd BufNewFile,BufRead *.mml set filetype=mml
