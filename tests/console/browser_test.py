#!/usr/bin/env python3
"""The console in a real browser: headless chromium, driven by selenium, against
"cl serve" on a free loopback port over a throwaway store with the sample company.

Usage: browser_test.py CL SOURCE_DIR SCREENSHOT_DIR
Exits 77 (skipped) when chromium, its driver or selenium are missing.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def skip(why):
    print(f"skipped: {why} (scripts/install-deps.sh installs chromium, chromium-driver and python3-selenium)")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support import expected_conditions
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium is not installed")

CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver") or (os.path.exists("/usr/bin/chromedriver") and "/usr/bin/chromedriver")
if not CHROMIUM or not DRIVER:
    skip("chromium or chromedriver is not installed")

cl, fonte, capturas = sys.argv[1], sys.argv[2], sys.argv[3]
os.makedirs(capturas, exist_ok=True)
pasta = tempfile.mkdtemp(prefix="cl-console-")
ambiente = dict(os.environ, CL_LOCAL_ORBEL=pasta, CL_BANCO=f"sqlite:{pasta}/cl.db", CL_CONFIG=f"{pasta}/cl.conf")
DE, ATE = "27/11/2026", "04/12/2026"


def roda(*argumentos):
    r = subprocess.run([cl, *argumentos], env=ambiente, capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        sys.exit(f"cl {' '.join(argumentos)} failed ({r.returncode}): {r.stdout}{r.stderr}")
    return r.stdout


def semeia():
    """Lines from the sample bank statement, entries posted for them by the rules, and
    two of those reconciliations undone: open pairs for the workbench to suggest."""
    open(f"{pasta}/cl.conf", "w").close()
    roda("init")
    roda("load-company", f"{fonte}/data/sample-company.json")
    for arquivo in ("MockExtratoTavorin.ofx", "MockExtratoBancoBrasil.json"):
        shutil.copy(f"{fonte}/data/{arquivo}", pasta)
    roda("import", "--account", "111", "--from", DE, "--to", ATE)
    roda("post", "--account", "111", "--from", DE, "--to", ATE, "--silent")
    for numero in ("1", "2"):
        roda("unmatch", "--account", "111", "--number", numero, "--reason", "seed for the browser test")


def navega(driver, acao):
    """Does what leads to a new page and waits until the old one is gone."""
    antiga = driver.find_element(By.TAG_NAME, "html")
    acao()
    WebDriverWait(driver, 20).until(expected_conditions.staleness_of(antiga))


def conta(driver):
    return int(driver.find_element(By.ID, "contagem-linhas").text)


def aviso(driver):
    return driver.find_element(By.ID, "aviso").text


def preenche(driver, formulario, valores):
    for nome, valor in valores.items():
        campo = formulario.find_element(By.NAME, nome)
        campo.clear()
        campo.send_keys(valor)


def paginas(driver, url):
    """The rules, history and runs pages, each reached from the one before, and a file
    imported through the upload, a dry run first."""
    driver.get(f"{url}accounts/111?branch=1&from={DE}&to={ATE}")
    navega(driver, driver.find_element(By.CSS_SELECTOR, "#linhas a.acao").click)
    assert driver.find_elements(By.CSS_SELECTOR, "#regras tr"), "no rules table"
    assert driver.find_element(By.ID, "explicacao").text.startswith("Linha"), "no explanation"
    regra = driver.find_element(By.ID, "regra-da-linha")
    preenche(driver, regra, {"transaction": "1", "counter_account": "403", "accounting": "43", "payment_form": "5"})
    navega(driver, regra.find_element(By.TAG_NAME, "button").click)
    assert driver.find_element(By.ID, "explicacao-proposta").text, "no explanation of the proposed rule"
    driver.save_screenshot(f"{capturas}/rules.png")

    driver.get(f"{url}accounts/111/history?branch=1")
    desfaz = driver.find_elements(By.CSS_SELECTOR, "#historico form.desfaz")
    assert desfaz, "nothing to undo in the history"
    desfaz[0].find_element(By.NAME, "reason").send_keys("desfeita pelo histórico")
    navega(driver, desfaz[0].find_element(By.TAG_NAME, "button").click)
    assert "desfeita" in aviso(driver) and "/history" in driver.current_url, (aviso(driver), driver.current_url)
    assert "desfeita pelo histórico" in driver.find_element(By.ID, "historico").text
    driver.save_screenshot(f"{capturas}/history.png")

    driver.get(f"{url}runs")
    assert driver.find_element(By.ID, "importacoes"), "no import runs table"
    importa = driver.find_element(By.ID, "importa")
    importa.find_element(By.NAME, "file").send_keys(f"{fonte}/data/extrato-exemplo.csv")
    importa.find_element(By.CSS_SELECTOR, "select[name=layout] option[value='2']").click()
    preenche(driver, importa, {"account": "111"})
    driver.save_screenshot(f"{capturas}/runs.png")
    navega(driver, importa.find_element(By.TAG_NAME, "button").click)
    assert "seriam gravadas" in driver.find_element(By.ID, "resumo-importacao").text
    assert "12,3X" in driver.find_element(By.ID, "recusadas").text
    driver.save_screenshot(f"{capturas}/import-dry-run.png")
    navega(driver, driver.find_element(By.CSS_SELECTOR, "#grava-importacao button").click)
    assert "3 linhas gravadas" in driver.find_element(By.ID, "resumo-importacao").text


def principal():
    semeia()
    servidor = subprocess.Popen([cl, "serve", "--port", "0"], env=ambiente, stdout=subprocess.PIPE, text=True)
    driver = None
    try:
        linha = servidor.stdout.readline()
        endereco = re.search(r"http://127\.0\.0\.1:\d+/", linha)
        assert endereco, f"no address printed: {linha!r}"
        url = endereco.group(0)

        opcoes = webdriver.ChromeOptions()
        opcoes.binary_location = CHROMIUM
        for a in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1400,1000"):
            opcoes.add_argument(a)
        driver = webdriver.Chrome(service=Service(DRIVER), options=opcoes)

        driver.get(url)
        assert "Panorama" in driver.title, driver.title
        assert driver.find_elements(By.CSS_SELECTOR, "svg#grafico rect"), "no chart"
        driver.save_screenshot(f"{capturas}/overview.png")

        navega(driver, driver.find_element(By.CSS_SELECTOR, "#contas a[href^='/accounts/111']").click)
        preenche(driver, driver, {"from": DE, "to": ATE})  # the sample statement's week, whatever today is
        navega(driver, driver.find_element(By.XPATH, "//button[text()='Filtrar']").click)
        antes = conta(driver)
        sugestoes = driver.find_elements(By.CSS_SELECTOR, "#sugestoes button.aceita")
        assert sugestoes, "no suggestion to accept"
        driver.save_screenshot(f"{capturas}/workbench.png")

        navega(driver, sugestoes[0].click)
        assert re.search(r"Conciliação número \d+ feita", aviso(driver)), aviso(driver)
        depois = conta(driver)
        assert depois < antes, (antes, depois)
        driver.save_screenshot(f"{capturas}/workbench-matched.png")

        desfaz = driver.find_element(By.ID, "desfaz-ultima")
        desfaz.find_element(By.NAME, "reason").send_keys("teste do navegador")
        navega(driver, desfaz.find_element(By.TAG_NAME, "button").click)
        assert "desfeita" in aviso(driver), aviso(driver)
        assert conta(driver) == antes, (antes, conta(driver))

        # A change whose form lost its token is refused.
        navega(driver, lambda: driver.execute_script(
            "var f=document.getElementById('selecao');f.querySelector('input[name=csrf]').remove();"
            "f.querySelector('input[name=line]').checked=true;f.querySelector('input[name=entry]').checked=true;"
            "f.submit();"))
        assert "Recusado" in driver.title, driver.title
        driver.save_screenshot(f"{capturas}/csrf-refused.png")
        estado = driver.execute_async_script(
            "var pronto=arguments[0];fetch('/api/accounts/111/match',{method:'POST',body:'{}'})"
            ".then(function(r){pronto(r.status);});")
        assert estado == 403, estado
        paginas(driver, url)
        print(f"ok: {antes} open lines, matched to {depois} and back; screenshots in {capturas}")
    finally:
        if driver:
            driver.quit()
        servidor.terminate()
        codigo = servidor.wait(timeout=30)
        shutil.rmtree(pasta, ignore_errors=True)
    if codigo != 0:
        sys.exit(f"cl serve ended with {codigo}")


if __name__ == "__main__":
    principal()
