#include "console/zq_console_paginas.h"

// Small on purpose: the console must work with no network, so nothing is fetched.
const char* const kZQConsoleCss = R"CSS(
body{font-family:system-ui,sans-serif;margin:0;color:#222;background:#f6f7f9}
header{background:#1f3b57;color:#fff;padding:.6em 1em;display:flex;gap:1.5em;align-items:center}
header a{color:#fff;text-decoration:none}header form{margin-left:auto}
main{padding:1em}
table{border-collapse:collapse;background:#fff;margin:.5em 0}
th,td{border:1px solid #d5d9de;padding:.25em .5em;text-align:left;vertical-align:top}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}
.lado{display:flex;gap:1.5em;flex-wrap:wrap}.lado>section{flex:1;min-width:28em}
.aviso{padding:.5em 1em;background:#e3f4e1;border:1px solid #9c9}.aviso.erro{background:#fbe3e3;border-color:#c99}
.ok{color:#176b2c}.falha{color:#a31515}
#diferenca{font-weight:bold}
form.linha{display:inline}
)CSS";

// Ticking lines and entries shows their totals and difference; the server checks again.
const char* const kZQConsoleJs = R"JS(
(function(){
  var f=document.getElementById('selecao');if(!f)return;
  function fmt(c){var s=(c<0?'-':'')+(Math.abs(c)/100).toFixed(2);return s.replace('.',',');}
  function soma(n){var t=0;f.querySelectorAll('input[name='+n+']:checked').forEach(function(i){t+=parseInt(i.dataset.centavos,10);});return t;}
  function atualiza(){
    var l=soma('line'),e=soma('entry');
    document.getElementById('soma-linhas').textContent=fmt(l);
    document.getElementById('soma-lancamentos').textContent=fmt(e);
    document.getElementById('diferenca').textContent=fmt(l-e);
    var alguma=f.querySelector('input[name=line]:checked')&&f.querySelector('input[name=entry]:checked');
    document.getElementById('concilia').disabled=!(alguma&&l===e);
  }
  f.addEventListener('change',atualiza);atualiza();
})();
)JS";
